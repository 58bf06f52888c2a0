"""The program's message catalogue, for the texts the tests expect in its boxes."""

DEFAULT_CAPTION = "ミスカル アップデータ"

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
}


def message(number, *arguments, table=MESSAGES):
    """Message number of a table filled in with the arguments (Windows paths
    as the program shows them)."""
    text = table[number]
    return text % arguments if "%" in text else text
