// ByteBuffer operation sequences against a std::vector model.
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "FuzzInput.h"
#include "foundation/ByteBuffer.h"

typedef std::vector<unsigned char> Bytes;

static void Same(const ByteBuffer& buffer, const Bytes& model) {
    EXPECT(buffer.Size() == model.size());
    EXPECT(model.empty() ? buffer.Data() == nullptr : memcmp(buffer.Data(), model.data(), model.size()) == 0);
}

static Bytes Mid(const Bytes& model, unsigned offset, unsigned length) {
    if (offset >= model.size())
        return Bytes();
    unsigned available = static_cast<unsigned>(model.size()) - offset;
    return Bytes(model.begin() + offset, model.begin() + offset + (length < available ? length : available));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    ByteBuffer buffer, other;
    Bytes model, otherModel;
    while (!in.Empty()) {
        unsigned n = in.Small(40), offset = in.Small(48);
        std::string bytes = in.Text();
        // Appending its own bytes doubles a buffer: keep the sequence small.
        bool small = model.size() + otherModel.size() < 4096;
        Bytes fresh(bytes.begin(), bytes.end());
        switch (in.Small(11)) {
        case 0: EXPECT(buffer.AllocBuffer(n)); model.assign(n, 0); break;
        case 1: EXPECT(buffer.Assign(fresh.data(), static_cast<unsigned>(fresh.size()))); model = fresh; break;
        case 2: EXPECT(buffer.Append(fresh.data(), static_cast<unsigned>(fresh.size())));
                model.insert(model.end(), fresh.begin(), fresh.end()); break;
        case 3: // its own bytes
            if (!model.empty() && small) {
                unsigned at = offset % model.size();
                unsigned length = static_cast<unsigned>(model.size()) - at;
                Bytes own(model.begin() + at, model.end());
                EXPECT(buffer.Append(buffer.Data() + at, length));
                model.insert(model.end(), own.begin(), own.end());
            }
            break;
        case 4: buffer.Clear(); model.clear(); break;
        case 5: other.Assign(buffer); otherModel = model; break;
        case 6: if (!small) break;
                buffer.Append(other); model.insert(model.end(), otherModel.begin(), otherModel.end()); break;
        case 7: { ByteBuffer joined = buffer.Concat(other); Bytes m = model;
                  m.insert(m.end(), otherModel.begin(), otherModel.end()); Same(joined, m); break; }
        case 8: { ByteBuffer mid = buffer.Mid(offset, n); Same(mid, Mid(model, offset, n)); break; }
        case 9: // callers never start a removal beyond the end
            if (offset < model.size() && n > 0) {
                buffer.Remove(offset, n);
                model.erase(model.begin() + offset, model.begin() + offset + (n < model.size() - offset ? n : model.size() - offset));
            }
            break;
        default: {
            bool equal = otherModel.size() <= model.size() &&
                         std::equal(otherModel.begin(), otherModel.end(), model.begin());
            EXPECT(buffer.Equals(other) == equal);
            EXPECT(buffer.NotEquals(other) == !equal);
        }
        }
        Same(buffer, model);
        Same(other, otherModel);
    }
    ByteBuffer copy(buffer);
    Same(copy, model);
    return 0;
}
