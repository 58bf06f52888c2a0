"""The message catalogue in the executable, read back with pefile: a Japanese
(1041) string table holding exactly the numbered messages and the caption."""
import sys

import pefile

EXPECTED = {
    1: 'ファイルが見つかりません。\n\nファイル:："%s"',
    2: '設定ファイルのフォーマットが正しくありません。\n\nセクション："%s"\nパラメータ："%s"',
    3: 'メモリが不足しています。\n\nオブジェクト："%s"',
    4: '設定パラメータのアイテム数が正しくありません。\n\nセクション："%s"\nパラメータ："%s"',
    5: 'パスの取得に失敗しました。\n\nファイル："%s"',
    6: 'シンボルが正しくありません。\n\nシンボル："%s"',
    8: 'ファイルのコピーに失敗しました。\n\n転送元："%s"\n転送先："%s"',
    9: 'アプリケーションの起動に失敗しました。\n\nファイル："%s"\nパラメータ："%s"',
    10: 'ファイルの削除に失敗しました。\n\nファイル："%s"',
    11: 'プロシージャ数が正しくありません。',
    12: 'ファイル属性の変更に失敗しました。\n\nファイル："%s"\n属性：0x%08X',
    13: 'ディレクトリの作成に失敗しました。\n\nディレクトリ："%s"',
    14: 'ファイルの移動に失敗しました。\n\n転送元："%s"\n転送先："%s"',
    15: 'リンクファイルの作成に失敗しました。\n\n転送元："%s"\n転送先："%s"',
    16: 'リソースの更新に失敗しました。\n\n転送元："%s"\n転送先："%s"',
    17: 'ファイル操作を完了できませんでした。',
    100: 'ミスカル アップデータ',
}
RT_STRING = 6
LANG_JAPANESE = 1041


def string_table(path):
    """{(id, language): text} of every RT_STRING entry, decoded from the blocks."""
    pe = pefile.PE(path)
    strings = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != RT_STRING:
            continue
        for block in kind.directory.entries:
            for language in block.directory.entries:
                rva, size = language.data.struct.OffsetToData, language.data.struct.Size
                data = pe.get_data(rva, size)
                offset = 0
                for index in range(16):
                    length = int.from_bytes(data[offset:offset + 2], "little")
                    offset += 2
                    if length:
                        text = data[offset:offset + 2 * length].decode("utf-16-le")
                        strings[((block.id - 1) * 16 + index, language.id)] = text
                    offset += 2 * length
    return strings


def main():
    failures = 0
    for path in sys.argv[1:]:
        strings = string_table(path)
        found = {sid: text for (sid, lang), text in strings.items() if lang == LANG_JAPANESE}
        others = sorted(key for key in strings if key[1] != LANG_JAPANESE)
        if set(found) != set(EXPECTED) or others:
            print(f"{path}: ids {sorted(found)}, other languages {others}")
            failures += 1
        for sid, text in EXPECTED.items():
            if found.get(sid) != text:
                print(f"{path}: text {sid} is {found.get(sid)!r}, expected {text!r}")
                failures += 1
        print(f"{path}: {len(found)} texts checked")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
