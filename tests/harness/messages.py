"""The program's message catalogue, for the texts the tests expect in its boxes: the Japanese
table, and the English one (language 1033) of systems whose code page cannot show Japanese."""

DEFAULT_CAPTION, DEFAULT_CAPTION_EN = "ミスカル アップデータ", "Miscal Updater"

# printf formats, as the program fills them in.
MESSAGES = {
    1: "ファイルが見つかりません。\n\nファイル:：\"%s\"",
    2: "設定ファイルのフォーマットが正しくありません。\n\nセクション：\"%s\"\nパラメータ：\"%s\"",
    3: "メモリが不足しています。\n\nオブジェクト：\"%s\"",
    4: "設定パラメータのアイテム数が正しくありません。\n\nセクション：\"%s\"\nパラメータ：\"%s\"",
    5: "パスの取得に失敗しました。\n\nファイル：\"%s\"",
    6: "シンボルが正しくありません。\n\nシンボル：\"%s\"",
    8: "ファイルのコピーに失敗しました。\n\n転送元：\"%s\"\n転送先：\"%s\"",
    9: "アプリケーションの起動に失敗しました。\n\nファイル：\"%s\"\nパラメータ：\"%s\"",
    10: "ファイルの削除に失敗しました。\n\nファイル：\"%s\"",
    11: "プロシージャ数が正しくありません。",
    12: "ファイル属性の変更に失敗しました。\n\nファイル：\"%s\"\n属性：0x%08X",
    13: "ディレクトリの作成に失敗しました。\n\nディレクトリ：\"%s\"",
    14: "ファイルの移動に失敗しました。\n\n転送元：\"%s\"\n転送先：\"%s\"",
    15: "リンクファイルの作成に失敗しました。\n\n転送元：\"%s\"\n転送先：\"%s\"",
    16: "リソースの更新に失敗しました。\n\n転送元：\"%s\"\n転送先：\"%s\"",
    17: "ファイル操作を完了できませんでした。",
    18: "更新を元に戻せませんでした。\n\nファイル：\"%s\"",
    19: "更新の記録を書き込めませんでした。\n\nファイル：\"%s\"",
    20: "ログを書き込めませんでした。\n\nファイル：\"%s\"",
}

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
    18: "The update could not be undone.\n\nFile: \"%s\"",
    19: "Could not write the journal of the update.\n\nFile: \"%s\"",
    20: "Could not write the log.\n\nFile: \"%s\"",
}

# The progress window's: the steps (100 + the step's kind), the question of its Cancel button, the button.
PROGRESS_TEXTS = dict(zip(range(101, 109), ["コピーしています", "移動しています", "削除しています", "置き換えています",
                                            "確認しています", "プログラムの終了を待っています", "更新を中止しますか?",
                                            "キャンセル"]))
PROGRESS_TEXTS_EN = dict(zip(range(101, 109), ["Copying", "Moving", "Deleting", "Replacing", "Checking",
                                               "Waiting for a program to end", "Stop the update?", "Cancel"]))
# The line below message 18 that counts the changes an undo left.
NOTES = {109: "元に戻せなかった変更：%u 件。次回の起動時にもう一度試みます。"}
NOTES_EN = {109: "Changes not undone: %u. The next start tries again."}


def message(number, *arguments, table=MESSAGES):
    """Message number of a table filled in with the arguments (Windows paths as the program shows them)."""
    return table[number] % arguments
