from messages import DEFAULT_CAPTION_EN, MESSAGES_EN, message_en  # noqa: F401 (the English table)
