"""The English table of the message catalogue (language 1033), which systems
whose code page cannot show Japanese get instead of the Japanese one."""

from messages import message

DEFAULT_CAPTION_EN = "Miscal Updater"

# printf formats, as the program fills them in.
MESSAGES_EN = {
    1: "File not found.\n\nFile: \"%s\"",
    2: "The script is not written correctly.\n\nSection: \"%s\"\nKey: \"%s\"",
    3: "Out of memory.\n\nObject: \"%s\"",
    4: "The number of items of a script key is not correct.\n\nSection: \"%s\"\nKey: \"%s\"",
    5: "Could not get the path.\n\nFile: \"%s\"",
    6: "The symbol is not correct.\n\nSymbol: \"%s\"",
    8: "Could not copy the file.\n\nSource: \"%s\"\nDestination: \"%s\"",
    9: "Could not start the application.\n\nFile: \"%s\"\nParameters: \"%s\"",
    10: "Could not delete the file.\n\nFile: \"%s\"",
    11: "The number of procedures is not correct.",
    12: "Could not change the file attributes.\n\nFile: \"%s\"\nAttributes: 0x%08X",
    13: "Could not create the directory.\n\nDirectory: \"%s\"",
    14: "Could not move the file.\n\nSource: \"%s\"\nDestination: \"%s\"",
    15: "Could not create the shortcut file.\n\nSource: \"%s\"\nDestination: \"%s\"",
    16: "Could not update the resources.\n\nSource: \"%s\"\nDestination: \"%s\"",
    17: "The file operation could not be completed.",
}


def message_en(number, *arguments):
    return message(number, *arguments, table=MESSAGES_EN)
