"""Script sections the end-to-end tests are built of, and the box an
INFORMATION MSGBOX shows."""

from boxes import Box
from messages import DEFAULT_CAPTION


def section(name, mode, **keys):
    return f"\n[{name}]\nMODE={mode}\n" + "".join(f"{key}={value}\n" for key, value in keys.items())


def msgbox(name, text, type_="INFORMATION", flag="", abort="0,0"):
    return section(name, "MSGBOX", FLAG=flag, TYPE=type_, TEXT=text, ISABORT=abort)


def flag_boxes(step):
    """Set and Clear: boxes that show "flag 1" or "flag 0" as step's flag is."""
    return msgbox("Set", "flag 1", flag=f"{step},1") + msgbox("Clear", "flag 0", flag=f"{step},0")


def switch(name, target, when_clear, when_set):
    return section(name, "SWITCH", PROC=target, **{"0": when_clear, "1": when_set})


def info(text, caption=DEFAULT_CAPTION):
    """The box of an INFORMATION MSGBOX with that text."""
    return Box(caption=caption, text=text, icon="information", buttons=["OK"])
