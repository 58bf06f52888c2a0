#include "MessageBox.h"

#include "engine/Engine.h"
#include "foundation/Numbers.h"
#include "foundation/Platform.h"

namespace {

struct MessageBoxRecord : Procedure {
    String flag;  // FLAG: section name, value; fewer than two items: always shown
    String type;  // TYPE
    String text;  // TEXT, with "%n" and "%t"
    String abort; // ISABORT: stop after OK/Yes, stop after No
};

struct BoxType {
    const char* keyword;
    unsigned style;
    // A stop after this box ends the run as a failure: the script found
    // something wrong (a test that failed), which no one chose.
    bool stopFails;
};

const unsigned SetForeground = 0x10000;
const unsigned OkOnly = 0x0, YesNo = 0x4;
const unsigned IconHand = 0x10, IconQuestion = 0x20, IconExclamation = 0x30, IconAsterisk = 0x40;
const unsigned SecondButtonDefault = 0x100;
const int AnswerOk = 1, AnswerCancel = 2, AnswerYes = 6, AnswerNo = 7;

const BoxType boxTypes[] = {
    {"ERROR", SetForeground | OkOnly | IconHand, true},
    {"INFORMATION", SetForeground | OkOnly | IconAsterisk, false},
    {"WARNING", SetForeground | YesNo | IconExclamation | SecondButtonDefault, false},
    {"QUESTION", SetForeground | YesNo | IconQuestion, false},
};

// The decimal number at the start of item i, read in place: a copy of the
// item could fail for want of memory and read as 0, which would let a run
// go on that the user chose to stop.
int ItemNumber(const String& value, int i) {
    int first, last, number = 0;
    if (value.FindItems(i, i, ",", first, last) && last >= first)
        ScanDecimal(value.Text() + first, number);
    return number;
}

// -1: the named procedure is not in the running list (reported);
// 0: closed; 1: open.
int GateState(const MessageBoxRecord& record) {
    if (record.flag.ItemCount(",") < 2)
        return 1;
    Procedure* gate = FindProcedure(CurrentList(), ListItem(record.flag, 0));
    if (!gate) {
        ReportError(MsgBadSymbol, record.flag.Text());
        return -1;
    }
    return ItemNumber(record.flag, 1) == gate->conditionFlag ? 1 : 0;
}

const BoxType* FindBoxType(const String& keyword) {
    for (const BoxType& type : boxTypes) {
        if (keyword.EqualsNoCase(type.keyword))
            return &type;
    }
    return nullptr;
}

} // namespace

Procedure* ReadMessageBox(const String& sectionName) {
    return ReadRecord<MessageBoxRecord>(sectionName, "MSGBOX_INFO", {
        {"FLAG", &MessageBoxRecord::flag},
        {"TYPE", &MessageBoxRecord::type},
        {"TEXT", &MessageBoxRecord::text},
        {"ISABORT", &MessageBoxRecord::abort},
    });
}

bool ExecuteMessageBox(Procedure& procedure) {
    MessageBoxRecord& record = static_cast<MessageBoxRecord&>(procedure);
    int gate = GateState(record);
    if (gate <= 0)
        return gate == 0;
    const BoxType* type = FindBoxType(record.type);
    if (!type) {
        ReportError(MsgBadSymbol, record.type.Text());
        return false;
    }
    record.text.ReplaceAll("%n", "\n");
    record.text.ReplaceAll("%t", "\t");
    int answer = PlatformShowBox(record.text.Text(), ReportCaption(), type->style);
    // A box with only OK can only be accepted: closing it is OK, as on
    // Windows (Wine answers IDCANCEL there).
    if (answer == AnswerCancel && (type->style & YesNo) == 0)
        answer = AnswerOk;
    if (answer == AnswerOk || answer == AnswerYes) {
        record.conditionFlag = 1;
        updaterState.stopAsked = ItemNumber(record.abort, 0) != 0;
    } else if (answer == AnswerCancel || answer == AnswerNo) {
        updaterState.stopAsked = ItemNumber(record.abort, 1) != 0;
    } else {
        // The box could not be shown (no desktop, no memory), and the log
        // says so. A notice goes on as if it had been read; nobody answered
        // a question, so nothing that depends on the answer may run.
        return (type->style & YesNo) == 0;
    }
    bool stop = updaterState.stopAsked;
    if (type->stopFails)
        updaterState.stopAsked = false;
    return !stop;
}
