// The checker's texts in the message catalogue (resources/messages.rc, the
// block built into the checker only). The number of a problem's text is its
// check number in the tab-separated output; the run's own messages keep
// their numbers.
#pragma once

enum CheckText {
    TextUsageFirst = 200, // the lines of --help, up to TextUsageLast
    TextUsageLast = 204,
    TextMoreAlike = 205,    // a problem, items after it, the last item
    TextNotTold = 206,      // problems, the most told
    TextCannotRead = 210,   // file
    TextClean = 211,
    TextSummaryBoth = 212,  // errors, warnings, file
    TextSummaryOne = 213,   // errors or warnings, file
    TextOneError = 214,
    TextErrors = 215,       // count
    TextOneWarning = 216,
    TextWarnings = 217,     // count
    TextNoData = 218,       // the run's message 2
    TextNoEquals = 219,     // the run's message 2

    CheckRepeatedKey = 220,     // key, first line
    CheckLongValue = 221,       // key, bytes
    CheckByteOrderMark = 222,
    CheckCodePage = 223,
    CheckUnreached = 224,
    CheckNoSuchSection = 225,   // naming key, section
    CheckUnknownKey = 226,      // key, mode
    CheckFewerItems = 227,      // key, count, list key, count
    CheckFewerItemsStop = 228,  // key, count, list key, count, message
    CheckMoreItems = 229,       // key, count, list key, count
    CheckShellWord = 230,       // item number, word
    CheckBoxType = 231,         // word
    CheckCrcType = 232,         // word
    CheckSwitchTarget = 233,    // name
    CheckGateTarget = 234,      // name
    CheckUnexpanded = 235,      // key, macro
    CheckEmptyMacro = 236,      // key, macro
    CheckUnresolved = 237,      // key, value function
    CheckNoFolder = 238,        // path
    CheckNotProgram = 239,      // path
    CheckRootStops = 240,       // key, path, message
    CheckPatternTarget = 242,   // destination, its folder
    CheckNotNumber = 243,       // key, value, number read
    CheckItemNotNumber = 244,   // key, item number, item, number read
    CheckNotHex = 245,          // item number, item, number read
    CheckNotCrc = 246,          // item number, item, number read
    CheckNotDate = 247,         // value, year, month, day read
    CheckRepeatedSection = 248, // line of the first section of the name
    CheckQuotedItem = 249,      // key, item number, item
    CheckRunBound = 250,        // key, steps run before
    CheckListDepth = 251,       // branch key, lists
    CheckUtf8 = 252,            // the system's code page
};
