// The clipboard, written as text for the user to paste.
#pragma once

#include "foundation/String.h"

// Replaces the clipboard's contents with the text (CF_TEXT). False when the
// clipboard cannot be opened or will not take the text; it is closed again
// and nothing is left allocated either way.
bool PutClipboardText(const String& text);
