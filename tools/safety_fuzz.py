#!/usr/bin/env python3
"""Safety fuzzer: a random tree on drive U: (spaces, dots, Japanese names, 8.3 aliases, a folder link, names near
260 bytes, names the code page cannot spell and a branch past 260), a random current folder, and a script of one to three writing steps whose paths come from a grammar of
forms, run by the real updater.exe under Wine. A model of its own resolves each path as Windows does and gives the
tree after each step, the sources listed in full before anything is written; a step may also be refused, but not
a COPY of one file that nothing may refuse (Model.plain_copy), nor a COPY, MOVE or DELETE of a plain tree that holds
names outside the code page or paths past 260 (Model.plain_tree): those go whole, with ROLLBACK=1 as without. After the
run every entry holds what the model has it hold before or after one of the steps that ran (nothing else changed,
no content gone that no step named, no stray file), all of them the last state when the run ended with 0; the exit
code agrees with the log's boxes and the failing step's message; the run ended within 10 s.

    UPDATER_WINE_STATE=... UPDATER_WIN64_BUILD=... tools/safety_fuzz.py [scripts] [seed] [form...]
    ... tools/safety_fuzz.py --only N[,N...] [scripts] [seed] [form...]   # run again just those of that run

Without forms: every form but the open ones (OPEN), as the suite's short run; "all": every form.

Needs the Wine prefix of the test fixture (ctest -R wine.setup). Prints each finding with its script.
"""

import fnmatch
import glob
import json
import os
import random
import re
import shutil
import subprocess
import sys
import time
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "harness"))
import trees  # noqa: E402
import wineenv  # noqa: E402
from messages import MESSAGES  # noqa: E402

RUN_LIMIT, WORLD_RUNS, ANY = 10, 40, "<any shortcut>"
DEVICES = {"CON", "PRN", "AUX", "NUL"} | {f"{p}{i}" for p in ("COM", "LPT") for i in range(1, 10)}
FOLDERS = ["a", "sub", "My App", "data.d", "表示", "予定表", "backup", "Long Folder Name", "v1.2"]
FILES = ["x.txt", "app.dat", "a b.txt", "ソフト.dat", "README", "v1.2.dll", "Long File Name.config"]
# Names code page 932 cannot spell: Hangul, accented Latin, the yen sign (which the system's conversion spells "\\", a
# separator, and says nothing), an emoji outside the basic plane, a combining accent. The script is written in the code
# page: it names them only by their short names ("unspelled" form), or not at all, and the walks meet them.
FOREIGN_FOLDERS = ["폴더", "café", "a¥b"]
FOREIGN_FILES = ["한국어.txt", "Résumé.docx", "\U0001F600.txt", "e\u0301te\u0301.txt"]
DEEP = ("N" * 60, "O" * 20)  # below the long folder: a branch past 260 characters
MESSAGE_OF = {"COPY": 8, "MOVE": 14, "DELETE": 10, "SHELL": 17, "LINK": 15}
# Forms that need every write judged on the path the system resolves; the rest must pass on any build.
GATED = {"updots", "dots", "rooted", "root", "device", "empty", "short", "link", "overlap", "kinds", "slashend",
         "shellpattern", "alias", "own", "unspelled", "unspelledroot", "unspelleddeep"}
# Steps on a folder that holds names outside the code page or a branch past 260: they need the wide calls.
WIDE = {"foreign"}
FORMS = ["plain", "slash", "case", "trail", "drive", "long", "pattern", "rollback"] + sorted(GATED) + sorted(WIDE)
# Forms whose findings are still open (docs/reliability.md): the suite's short run leaves them out.
OPEN = {"unspelleddeep"}


def low(name):
    return name.lower()


# Beside U:\\w, never named by a step: what links of the tree lead to. Nothing here may ever change.
OUTSIDE = {("out",): ("d",), ("out", "precious.txt"): ("f", b"precious", ""), ("out", "dir"): ("d",),
           ("out", "dir", "o.txt"): ("f", b"outside", "")}


def ALIAS_DEVICE():
    return os.path.join(wineenv.paths()["prefix"], "dosdevices", "w:")


class World:
    """The tree on U: (Unix folder `root`); entries keyed by tuples of names below U:\\."""

    def __init__(self, rng, with_link, with_alias=False, with_own=False, unspelled=False, unspelled_root=False,
                 unspelled_deep=False):
        self.rng, self.root, self.alias, self.unspelled = rng, wineenv.paths()["drive_u"], None, unspelled
        self.leftover = None  # with "own" and "link": a file whose new file's name a link leads to
        shutil.rmtree(self.root, ignore_errors=True)
        os.makedirs(self.root)
        self.base = {("w",): ("d",), **OUTSIDE}
        self.grow(("w",), 3, 2)
        long_folder = ("w", "L" * 120, "M" * 100)
        self.base[long_folder[:2]], self.base[long_folder] = ("d",), ("d",)
        self.base[long_folder + ("f.txt",)] = ("f", b"long", "")
        # Below the long folder (paths past 248 units, which the calls take in the \\?\ form) only with "unspelleddeep".
        folder = rng.choice([p for p, v in self.base.items() if v[0] == "d" and len(p) < 4 and p[0] == "w" and spelled(p)
                             and (len("".join(p)) < 100 or unspelled_deep or not unspelled)])
        chain = rng.sample(FOREIGN_FOLDERS, rng.randint(0, 2))
        if unspelled and "a¥b" not in chain:  # named by its short name, it is the one to get wrong
            chain.insert(rng.randint(0, len(chain)), "a¥b")
        for name in chain:
            self.base[folder + (name,)] = ("d",)
            if "¥" in name:  # beside it, what its nearest spelling names (a\b): a step on the one must not reach the other
                twin = folder + tuple(name.replace("¥", "\\").split("\\"))
                for i in range(len(folder) + 1, len(twin) + 1):
                    self.base.setdefault(twin[:i], ("d",))
                self.base[twin + ("twin.txt",)] = ("f", b"near " + "\\".join(twin).encode("utf-8"), "")
            folder += (name,)
        for name in rng.sample(FOREIGN_FILES, rng.randint(1, 3)):
            self.base[folder + (name,)] = ("f", name.encode("utf-8", "surrogatepass") + b"#foreign", "")
        # The folders that hold them (or the deep branch): a step names those it can (World.nameable).
        self.foreign = [folder[:i] for i in range(2, len(folder) + 1)]
        if rng.random() < 0.5:
            self.foreign.append(long_folder[:2])
            self.base[long_folder + DEEP[:1]], self.base[long_folder + DEEP] = ("d",), ("d",)
            self.base[long_folder + DEEP + ("deep.txt",)] = ("f", b"deep", "")
        folders = [p for p, v in self.base.items() if v[0] == "d" and len(p) > 1 and len(p[-1]) < 50]
        target = rng.choice(folders)
        if with_link:
            self.base[rng.choice([p for p in folders if p[:len(target)] != target] + [("w",)]) + ("lnk",)] = ("l", target)
            # Links to a file of the tree, to a file and a folder outside it, and to the drive's root.
            files = [p for p, v in self.base.items() if v[0] == "f" and p[0] == "w"]
            self.base[rng.choice(folders + [("w",)]) + ("flink.dat",)] = ("l", rng.choice(files))
            self.base[rng.choice(folders + [("w",)]) + ("out.txt",)] = ("l", ("out", "precious.txt"))
            self.base[rng.choice(folders + [("w",)]) + ("outdir",)] = ("l", ("out", "dir"))
            self.base[("rootlnk",)] = ("l", ())
            # One of the program's own names beside an entry (a SHELL's temporary or old name) is a link.
            owner = rng.choice([p for p, v in self.base.items() if p[0] == "w" and len(p) > 1 and v[0] in "fd"])
            self.base[owner[:-1] + (owner[-1] + rng.choice([".tmp", ".~old"]),)] = ("l", ("out", "dir"))
        if with_own:  # what a run cut short left: SHELL's temporary and old names, a copy's new file
            for owner in rng.sample([p for p, v in self.base.items() if p[0] == "w" and len(p) > 1 and v[0] in "fd"], 2):
                name = owner[:-1] + (owner[-1] + rng.choice([".tmp", ".~old"]),)
                self.base[name] = rng.choice([("d",), ("f", ("\\".join(name) + " left").encode(), "")])
                if self.base[name] == ("d",):
                    self.base[name + ("left.txt",)] = ("f", b"left", "")
            left = rng.choice([p for p, v in self.base.items() if p[0] == "w" and v[0] == "f"])
            self.base[left[:-1] + (left[-1] + ".~upd",)] = ("f", b"a copy cut short", "")
            # And another name for it, a link, which a copy onto its file may take as its source: where Wine names
            # the object (below MAX_PATH), as only there can a link to a file be told from it under Wine.
            if with_link and len("\\".join(left)) < 200:
                self.leftover = left
                self.base[left[:-1] + ("toupd.dat",)] = ("l", left[:-1] + (left[-1] + ".~upd",))
        if with_alias:  # a second drive letter, W:, for a folder of the tree (as subst makes one)
            # One the code page cannot spell, which a script also names by its short name, only with "unspelledroot".
            folders = [p for p in folders if spelled(p) or unspelled_root or not unspelled]
            self.alias = rng.choice([p for p in folders if len(p) > 2] or folders)
        self.shorts, self.short_of = {}, {}

    def grow(self, folder, depth, least=0):
        for name in self.rng.sample(FILES, self.rng.randint(least, 3)):
            self.base[folder + (name,)] = ("f", ("\\".join(folder + (name,)) + f"#{self.rng.random()}").encode(), "")
        for name in self.rng.sample(FOLDERS, self.rng.randint(least, depth)):
            self.base[folder + (name,)] = ("d",)
            self.grow(folder + (name,), depth - 1)

    def unix(self, path):
        return os.path.join(self.root, *path)

    def lay_out(self):
        """The tree as it was, and nothing else on the drive (a script may write beside U:\\w)."""
        for name in os.listdir(self.root):
            path = os.path.join(self.root, name)
            shutil.rmtree(path) if os.path.isdir(path) and not os.path.islink(path) else os.remove(path)
        for path, value in sorted(self.base.items()):
            if value[0] == "d":
                os.makedirs(self.unix(path), exist_ok=True)
            elif value[0] == "l":
                os.symlink(os.path.relpath(self.unix(value[1]), self.unix(path[:-1])), self.unix(path))
            else:
                with open(self.unix(path), "wb") as f:
                    f.write(value[1])
        self.drop_alias()
        if self.alias:
            os.symlink(self.unix(self.alias), ALIAS_DEVICE())

    def drop_alias(self):
        if os.path.lexists(ALIAS_DEVICE()):
            os.remove(ALIAS_DEVICE())

    def snapshot(self):
        found = {}
        for path, unix, kind in trees.entries(self.root):
            if kind == "l":
                target = os.path.relpath(os.path.realpath(unix), self.root)
                found[path] = ("l", () if target == "." else tuple(target.split(os.sep)))
            else:
                found[path] = ("d",) if kind == "d" else ("f", trees.read(unix), trees.attributes(unix, "RH"))
        return found

    def learn_short_names(self, env):
        """8.3 aliases as Wine gives them (dir /x), for the names that have one. Read in UTF-16 (cmd /u): in the code
        page a name would come out spelled only nearly (a¥b as a\\b)."""
        listing = os.path.join(wineenv.paths()["scratch"], "fuzz", "dir.txt")
        if os.path.exists(listing):
            os.remove(listing)
        wineenv.run_logged([wineenv.WINE, "cmd", "/u", "/c", "dir /s /x /a U:\\w > T:\\fuzz\\dir.txt"], env,
                           os.path.join(wineenv.paths()["logs"], "fuzz-dir.txt"), 60, self.root)
        with open(listing, "rb") as f:
            folder = None
            for line in f.read().decode("utf-16-le").splitlines():
                heading = re.match(r"^\s*Directory of U:\\(.*)$", line)
                if heading:
                    folder = tuple(heading[1].strip().split("\\"))
                    continue
                entry = re.match(r"^\s*\S+\s+\S+\s+(?:<DIR>|[\d,]+)\s+(\S{1,12})\s+(.+)$", line)
                if folder and entry and entry[1] != entry[2] and "~" in entry[1]:
                    self.shorts[folder + (entry[1],)] = entry[2]
                    self.short_of[folder + (entry[2],)] = entry[1]

    def written(self, path):
        """The levels of path as a script writes them: a level the code page cannot spell by its short name (None
        when it has none, or the form may not name it)."""
        levels = [n if spelled_level(n) else self.short_of.get(path[:i + 1]) for i, n in enumerate(path)]
        return None if None in levels or (levels != list(path) and not self.unspelled) else levels

    def nameable(self, path):
        levels = self.written(path)
        return levels is not None and spelled(levels)


class Model:
    """Resolves paths as Windows does and carries out steps on a copy of the tree."""

    def __init__(self, state, cwd, shorts, alias=None):
        self.state, self.cwd, self.shorts, self.between, self.alias = dict(state), cwd, shorts, [], alias

    def note(self):
        """A state the step may stop in: after making folders, with the only copy under a temporary name."""
        self.between.append(dict(self.state))

    def child(self, folder, name):
        """The real name of folder's entry that `name` names (any case, or its 8.3 alias), or None."""
        for path in self.state:
            if path[:-1] == folder and low(path[-1]) == low(name):
                return path[-1]
        long = {low(k[-1]): v for k, v in self.shorts.items() if k[:-1] == folder}.get(low(name))
        return long if long and folder + (long,) in self.state else None

    def resolve(self, text):
        """("path", names) below U:\\ with links followed, or ("empty"|"root"|"device"|"other",). `spelled`: whether
        the code page spells the path as the system names it (long names, links not followed, W: as it stands)."""
        t = text.replace("/", "\\")
        self.followed, self.spelled = False, True
        if not t:
            return ("empty",)
        last = t.rstrip("\\").rpartition("\\")[2]
        if re.split(r"[.:]", last.rstrip(" "), 1)[0].upper().rstrip(" ") in DEVICES and "*" not in last:
            return ("device",)
        second = t[1:2] == ":" and t[0].upper() == "W" and self.alias  # W:\\ is the folder `alias`
        if t.startswith("\\\\") or (t[1:2] == ":" and t[0].upper() != "U" and not second):
            return ("other",)
        rest = t[2:] if t[1:2] == ":" else t
        floor = list(self.alias) if second else []  # ".." never leaves a root
        parts = list(floor) if second else [] if rest.startswith("\\") else list(self.cwd)
        named = [] if second else list(parts)
        written = list(named)
        levels = rest.split("\\")
        for i, level in enumerate(levels):
            if i == len(levels) - 1 and not t.endswith("\\"):
                level = level.rstrip(". ") or level
            elif level.endswith(".") and level not in (".", ".."):
                level = level[:-1]
            if level in ("", "."):
                continue
            if level == "..":
                parts = parts[:-1] if len(parts) > len(floor) else parts
                named, written = named[:-1], written[:-1]
                continue
            real = self.child(tuple(parts), level) if "*" not in level and "?" not in level else None
            parts.append(real or level)
            named.append(real or level)
            written.append(level)
            value = self.state.get(tuple(parts))
            if value and value[0] == "l" and i < len(levels) - 1:
                parts, self.followed = list(value[1]), True
        # From 248 units on the calls take a path in the \\?\ form, whose long form Wine gives back as written:
        # there a level written by its short name may stay so (under 240, surely not).
        self.spelled = all(spelled_level(n) for n in named) or len("U:\\" + "\\".join(written)) >= 240
        # A root is what a path reaches, however: a link to the drive's root is one.
        if not parts or self.state.get(tuple(parts), ("",)) == ("l", ()):
            return ("root",)
        return ("path", tuple(parts))

    def matches(self, folder, pattern):
        names = [p[-1] for p in self.state if p[:-1] == folder]
        aliases = {v: k[-1] for k, v in self.shorts.items() if k[:-1] == folder}
        patterns = [low(pattern)] + [low(pattern[:-2])] * pattern.endswith(".*")  # "*.*": names without a dot too
        return [n for n in names if any(fnmatch.fnmatch(low(n), p) or fnmatch.fnmatch(low(aliases.get(n, "")), p)
                                        for p in patterns)]

    def tree(self, path, follow):
        """(relative path, value, the folder or file it is) of path and everything below it; links followed once
        when `follow` (a link to a file is read as the file)."""
        value = self.state.get(path, ("d",) if path == () else None)
        if value and value[0] == "l" and self.kind(path) == "f":  # read as the file, however deep
            return [((), self.state[value[1]], value[1])]
        if value and value[0] == "l" and follow:
            if self.leads_nowhere(path):
                return []
            return [((), ("d",), value[1])] + [(r, v, p) for r, v, p in self.tree(value[1], False) if r]
        found = [((), value, self.real(path))]
        if value and value[0] == "d":
            for child in sorted(p for p in self.state if p[:-1] == path):
                found += [((child[-1],) + r, v, p) for r, v, p in self.tree(child, follow)]
        return found

    def real(self, path):
        """What the path is: a link's target, or the path."""
        value = self.state.get(path, ("",))
        return value[1] if value[0] == "l" else path

    def leads_nowhere(self, path):
        """A link whose target is gone: under Wine every call answers for the target, so it is nothing to them."""
        value = self.state.get(path, ("",))
        return value[0] == "l" and value[1] != () and value[1] not in self.state

    def is_root(self, path):
        """The folder W: stands for is a drive's root, and so is the pattern that takes everything in it."""
        return bool(self.alias) and (path == self.alias or (path[:-1] == self.alias and set(path[-1]) <= set("*?. ")))

    def kind(self, path):
        """"f", "d" or "" (nothing there): a link counts as what it leads to."""
        value = self.state.get(path, ("",))
        if value[0] == "l":
            return "" if self.leads_nowhere(path) else "d" if value[1] == () else self.state[value[1]][0]
        return value[0]

    def holds_link(self, path):
        return any(v[0] == "l" and not self.leads_nowhere(p) for p, v in self.state.items() if p[:len(path)] == path)

    def put(self, path, value):
        for i in range(1, len(path)):
            if self.state.get(path[:i], ("",))[0] == "l":
                return self.put(self.state[path[:i]][1] + path[i:], value)
        for i in range(1, len(path)):
            self.state.setdefault(path[:i], ("d",))
        if value != ("d",) or self.state.get(path, ("",))[0] != "l":  # a folder copied onto a link fills its target
            self.state[path] = value

    def rename(self, old, new):
        for p in sorted(p for p in self.state if p[:len(old)] == old):
            self.state[new + p[len(old):]] = self.state.pop(p)

    def remove(self, path):
        for p in [p for p in self.state if p[:len(path)] == path]:
            del self.state[p]

    def transfer(self, source, destination, move):
        """COPY or MOVE; False for a step that must be refused."""
        s, d = self.resolve(source), self.resolve(destination)
        if s[0] == "root" and not move and d[0] == "path" and self.state.get(d[1], ("d",))[0] == "d":
            return self.copy_root(d[1])
        if s[0] != "path" or d[0] not in ("path", "root"):  # a root is written into, never replaced
            return False
        s, d = s[1], d[1] if d[0] == "path" else ()
        last, kind = s[-1], self.state.get(s, ("",))[0]
        kind = "f" if kind == "l" and self.kind(s) == "f" else kind  # a link to a file is read as the file
        if not d and kind == "f" or kind == "f" and destination[-1:] in ("\\", "/"):  # a final "\\" names a folder
            return False
        # Wine moves what a link leads to: a move whose source is or holds a link is refused, before anything of a
        # tree or a pattern moves, at the file itself for one file.
        if move and "*" not in last and kind == "f" and self.state[s][0] == "l":
            self.make(d[:-1])
            return False
        if move and self.is_root(s):
            return False
        if move and any(self.holds_link(s[:-1] + (n,)) for n in (self.matches(s[:-1], last) if "*" in last else [last])):
            return False
        # A pattern's matches go into the destination's parent, its last level ignored; written with a closing
        # "\\", that last level is empty, and the parent is the destination itself.
        into = d if destination[-1] in "\\/" else d[:-1]
        # Matches are listed before anything is made; a walk never enters its own destination, whatever its name.
        matches = [n for n in self.matches(s[:-1], last) if self.real(s[:-1] + (n,)) != into] if "*" in last else []
        self.make(d if kind in ("d", "l") or destination[-1] in "\\/" else d[:-1])
        if "*" in last:
            entries = [(s[:-1] + (n,), into + (n,)) for n in matches]
            if not entries or (move and not s[:-1]):
                return False
        elif kind in ("d", "l"):
            entries = [(s, d)]
            # Never into itself; a move out of its destination only while nothing of the source stands where the
            # source itself goes.
            if (self.kind(d) == "f" or d[:len(s)] == s or d[:len(self.real(s))] == self.real(s)
                    or move and s[:len(d)] == d and s + s[len(d):] in self.state):
                return False
        elif kind == "f" and self.state.get(d, ("f",))[0] == "f":
            # A link to the new file's name beside the target is another name of what the copy writes: refused, the
            # source kept (the name itself, written as the source, gives the new file the suffix once more).
            if self.state[s][0] == "l" and [low(n) for n in self.real(s)] == [low(n) for n in d[:-1] + (d[-1] + ".~upd",)]:
                return False
            entries = [(s, d)]
        else:
            return False
        # The fence: a walk never enters its own destination folder, however it reaches it.
        fence = self.real(d if kind in ("d", "l") else into if "*" in last else d[:-1])
        # A link named as the source, written with a closing "\\" (so resolved to what it leads to), is the one link
        # its walk goes through.
        bare = self.resolve(source.rstrip("\\/")) if source.rstrip("\\/")[1:] != ":" else ("root",)
        through = not move and not (bare[0] == "path" and self.state.get(bare[1], ("",))[0] == "l" and bare[1] != s)
        listed, sources = [], set()
        for s2, d2 in entries:
            found = self.tree(s2, through)
            fenced = [r for r, v, p in found if r and p == fence and v[0] in "dl"]
            listed += [(d2 + r, v) for r, v, p in found if not any(r[:len(f)] == f for f in fenced)]
            sources |= {s2 + r for r, v, p in found}
        for s2, _ in entries if move else ():
            self.remove(s2)
        # The new file's name beside each file a copy writes, which a copy cut short left, goes first (in the walk's
        # order, which the model does not know: a state without them, then the copy). A source so named stays.
        for path, value in listed if not move else ():
            stale = path[:-1] + (path[-1] + ".~upd",) if path else ()
            if value[0] == "f" and self.state.get(stale, ("",))[0] == "f" and stale not in sources:
                self.remove(stale)
        self.note()
        for path, value in listed:
            if path:  # a folder copied into a root: the root itself is there already
                self.put(path, ("d",) if value[0] == "l" else value)
        return True

    def plain_copy(self, keys):
        """COPY of one file onto a file or a free name, in a folder that is there, written without wildcards or
        trailing dots, spaces or separators, short, no link on the way: nothing may refuse it."""
        texts = [collapse_parents(keys[k]) for k in ("FROM", "TO")]
        if any(set(t) & set("*?") or t.rstrip("\\/. ") != t or len(t.encode("cp932")) > 150 for t in texts):
            return False
        found = []
        for t in texts:
            found.append(self.resolve(t))
            if found[-1][0] != "path" or self.followed or len("\\".join(found[-1][1]).encode("cp932", "replace")) > 150 or \
                    any(self.state.get(found[-1][1][:i], ("",))[0] != "d" for i in range(1, len(found[-1][1]))):
                return False
        return self.state.get(found[0][1], ("",))[0] == "f" and self.state.get(found[1][1], ("f",))[0] == "f"

    def plain_tree(self, mode, keys):
        """COPY, MOVE or DELETE of a folder written plainly (no wildcard, no trailing dot, space or separator, no
        link on the way, not holding the current folder when it goes), whose tree holds no link and a name outside
        the code page or a path past 260, into a free name or a folder that is there, neither in the other: nothing
        may refuse it, and it goes whole."""
        if mode not in ("COPY", "MOVE", "DELETE"):
            return False
        texts = [collapse_parents(keys[k]) for k in (("FILE",) if mode == "DELETE" else ("FROM", "TO"))]
        if any(set(t) & set("*?") or t.rstrip("\\/. ") != t or
                                                         "\\." in t or ".\\" in t for t in texts):
            return False
        found = []
        for t in texts:
            found.append(self.resolve(t))
            if found[-1][0] != "path" or self.followed or len(found[-1][1]) < 2 or \
                    any(self.state.get(found[-1][1][:i], ("",))[0] != "d" for i in range(1, len(found[-1][1]))):
                return False
        s = found[0][1]
        if mode != "COPY" and self.cwd[:len(s)] == s:  # the current folder can never go
            return False
        tree = [s + r for r, v, p in self.tree(s, False)]
        if self.state.get(s, ("",))[0] != "d" or any(self.state.get(p, ("",))[0] == "l" for p in tree) or \
                all(spelled(p) for p in tree):
            return False
        if len(found) > 1:
            d = found[1][1]
            if d[:len(s)] == s or s[:len(d)] == d or self.state.get(d, ("d",))[0] != "d":
                return False
        return True

    def copy_root(self, d):
        """COPY of a whole root, which is read as a folder: its entries go into the folder d, never entered."""
        self.make(d)
        listed = []
        for top in sorted({p[:1] for p in self.state}):
            found = self.tree(top, True)
            fenced = [r for r, v, p in found if p == d and v[0] in "dl"]
            listed += [(d + top + r, v) for r, v, p in found if not any(r[:len(f)] == f for f in fenced)]
        for path, value in listed:
            self.put(path, ("d",) if value[0] == "l" else value)
        return True

    def make(self, folder):
        if folder:
            self.put(folder, self.state.get(folder, ("d",)))
        self.note()

    def delete(self, path):
        p = self.resolve(path)
        if p[0] != "path" or len(p[1]) < 2 or self.is_root(p[1]):
            return False
        last = p[1][-1]
        names = self.matches(p[1][:-1], last) if "*" in last or "?" in last else [last]
        # Wine deletes what a link leads to: a delete that meets a link is refused before anything goes.
        if any(self.holds_link(p[1][:-1] + (n,)) for n in names):
            return False
        for name in names:  # a link that leads nowhere is nothing to Wine's calls: it stays
            if not self.leads_nowhere(p[1][:-1] + (name,)):
                self.remove(p[1][:-1] + (name,))
        return True

    def shell(self, word, source, destination):
        s, named = self.resolve(source), self.spelled
        d = self.resolve(destination)
        # The shell takes each path as the system names it (long names), in the code page: one with a level the code
        # page spells only nearly or not at all (written by its short name) is refused. A destination so named is not
        # touched; a source so named names nothing, and the destination's leftover may be settled before that shows.
        if not self.spelled or not named:
            if self.spelled and d[0] == "path" and not self.holds_link(d[1]):
                self.settle(d[1])
            return False
        if s[0] != "path" or d[0] != "path" or "*" in s[1][-1] or "*" in destination \
                or "?" in destination or self.holds_link(s[1]) or self.holds_link(d[1]) or self.is_root(d[1]) \
                or (word != "COPY" and self.is_root(s[1])):
            return False
        # A folder that holds the current folder cannot be deleted whole, so it is never replaced.
        if word != "DELETE" and self.state.get(d[1], ("",))[0] == "d" and self.cwd[:len(d[1])] == d[1]:
            return False
        # The program's own names for the step are judged too: one that is or holds a link stops it.
        if any(self.holds_link(d[1][:-1] + (d[1][-1] + own,)) for own in (".tmp", ".~old")):
            return False
        # A missing source gives no folder: it fits a missing destination not written as a folder, or a file.
        gives = self.state.get(s[1], ("f",))[0] == "f"
        kinds = {gives, self.state.get(d[1], ("f",) if s[1] not in self.state and destination[-1:] not in "\\/"
                                       else self.state.get(s[1], ("d",)))[0] == "f"}
        if word != "DELETE" and (len(kinds) > 1 or d[1] != s[1] and (d[1][:len(s[1])] == s[1] or s[1][:len(d[1])] == d[1])):
            return False
        # What a run cut short left: the old destination put aside goes back while the destination is missing, and
        # goes once it is there; an old temporary goes first.
        temporary = ("path", d[1][:-1] + (d[1][-1] + ".tmp",))
        self.settle(d[1])
        if s[1] not in self.state:  # the shell answers success for a source that names nothing: refused
            return False
        if temporary[0] == "path" and temporary[1] in self.state:
            self.remove(temporary[1])
            self.note()
        listed = self.tree(s[1], False)
        if word != "COPY":
            self.remove(s[1])
        for r, v, _ in listed if word != "DELETE" and temporary[0] == "path" else ():
            self.put(temporary[1] + r, v)
        self.note()
        self.remove(temporary[1] if temporary[0] == "path" else ())
        if not self.leads_nowhere(d[1]):
            self.remove(d[1])
        for r, v, _ in listed if word != "DELETE" else ():
            self.put(d[1] + r, v)
        return True

    def settle(self, d):
        """What a run cut short left: the old destination put aside goes back while the destination is missing, and
        goes once it is there."""
        aside = d[:-1] + (d[-1] + ".~old",)
        if aside in self.state:
            if d in self.state:
                self.remove(aside)
            else:
                self.rename(aside, d)
            self.note()

    def link(self, target, shortcut):
        d = self.resolve(shortcut + ".LNK")
        if d[0] != "path" or not shortcut:
            return False
        self.make(d[1][:-1])
        if self.state.get(d[1], ("f",))[0] != "f":
            return False
        self.put(d[1], ("f", ANY))
        return True


class Paths:
    """The grammar of path forms: a path to an entry of the tree, written in one of the forms."""

    def __init__(self, rng, world, cwd, forms):
        self.rng, self.world, self.cwd, self.forms = rng, world, cwd, forms

    def write(self, path):
        form = self.rng.choice(self.forms)
        levels = list(self.world.written(path))  # a level the code page cannot spell by its short name, in every form
        if form == "short":
            levels = [self.world.short_of.get(path[:i + 1], n) if (i and self.rng.random() < 0.7) else n
                      for i, n in enumerate(levels)]
        if form == "case":
            levels = [n.upper() if self.rng.random() < 0.5 else n for n in levels]
        if form == "link":
            links = [(k, v[1]) for k, v in self.world.base.items()
                     if v[0] == "l" and path[:len(v[1])] == v[1] and self.world.nameable(k)]
            if links:
                levels = self.world.written(links[0][0]) + levels[len(links[0][1]):]
        if form == "updots" and len(self.cwd) > 1:
            common = 0
            while common < min(len(levels), len(self.cwd)) and levels[common] == self.cwd[common]:
                common += 1
            return "\\".join([".."] * (len(self.cwd) - common) + levels[common:]) or "."
        if form == "rooted":
            return "\\" + "\\".join(levels)
        alias = self.world.alias
        if form == "alias" and alias and path[:len(alias)] == alias:
            return self.rng.choice(["W:\\", "W:"]) + "\\".join(levels[len(alias):])
        if form == "drive" and levels[:len(self.cwd)] == list(self.cwd):
            return "U:" + "\\".join(levels[len(self.cwd):])
        text = "U:\\" + "\\".join(levels)
        if form == "slash":
            text = "".join(c if c != "\\" or self.rng.random() < 0.5 else "/" for c in text)
        if form == "dots" and len(levels) > 1:
            text = text.replace("\\" + levels[1], "\\" + levels[1] + "\\.\\nothing\\..", 1)
        if form == "trail":
            text += self.rng.choice([".", "..", ". ."])
        if form == "slashend":
            text += "\\"
        return text

    def special(self):
        return self.rng.choice({"root": ["U:\\", "U:", "\\", "U:\\*", "U:\\.\\*.*", "U:\\rootlnk", "U:\\rootlnk\\*"], "device": ["NUL", "U:\\w\\CON",
                                "U:\\w\\aux.txt", "COM1"], "empty": [""]}[self.rng.choice(["root", "device", "empty"])])


def spelled(path):
    """Whether the script can name the path: in the code page, and within 260 characters."""
    return spelled_level("U:\\" + "\\".join(path)) and len(("U:\\" + "\\".join(path)).encode("cp932")) < 260


def spelled_level(name):
    try:
        name.encode("cp932")
        return True
    except UnicodeEncodeError:
        return False


def entries(world, kind):
    return [p for p, v in world.base.items() if v[0] in kind and p != ("w",) and p[0] == "w" and world.nameable(p)]


def script_for(rng, world, cwd, forms):
    """The steps as (mode, keys) and the script's text."""
    paths = Paths(rng, world, cwd, forms)
    steps = []
    for _ in range(rng.randint(1, 3)):
        mode = rng.choice(["COPY", "COPY", "MOVE", "DELETE", "SHELL", "LINK"])
        source = rng.choice(entries(world, "fdl" if mode != "LINK" else "f"))
        foreign = [p for p in world.foreign if world.nameable(p)]
        unspelled = [p for p in entries(world, "fdl" if mode != "LINK" else "f") if not spelled(p)]
        if unspelled and rng.random() < 0.2:  # by the short names of levels the code page cannot spell
            source = rng.choice(unspelled)
        if "foreign" in forms and mode in ("COPY", "MOVE", "DELETE") and foreign and rng.random() < 0.4:
            source = rng.choice(foreign)
        alias = world.alias if "alias" in forms else None
        if alias and rng.random() < 0.4:  # within the folder of the second drive letter, or that folder itself
            source = rng.choice([p for p in entries(world, "fdl" if mode != "LINK" else "f")
                                 if p[:len(alias)] == alias] or [source])
        # "suffix": a file put under the name of another file's new file ("x.txt.~upd"), which a later copy onto
        # that file takes for a leftover: with the key, the undo must bring it back.
        relation = rng.choice(["same", "inside", "parent", "sibling", "other", "new"] + ["long"] * ("long" in forms)
                              + ["overlap"] * ("overlap" in forms) + ["suffix"] * ("own" in forms))
        # without "overlap", the first three turn sibling
        owner = rng.choice([p for p in entries(world, "f") if spelled_level(p[-1])] or [("x",)]) \
            if relation == "suffix" else ("",)
        parent, copy = source[:-1] or ("w",), "copy " + world.written(source)[-1]  # a new name the script can write
        inside = [p for p in entries(world, "d") if p[:len(source)] == source and p != source]
        destination = {"same": source, "inside": rng.choice(inside) if inside else source + ("new",),
                       "parent": parent, "sibling": parent + (copy,),
                       "other": rng.choice(entries(world, "fdl")), "new": ("w", "made", "n.dat"),
                       "long": ("w", "L" * 120, "M" * 100, "N" * rng.randint(20, 40)),
                       "overlap": source + ("backup", "*"), "suffix": owner[:-1] + (owner[-1] + ".~upd",)}[relation]
        # From the link to a file's new-file name onto that file.
        if world.leftover and mode == "COPY" and rng.random() < 0.1 and world.nameable(world.leftover):
            source, destination = world.leftover[:-1] + ("toupd.dat",), world.leftover
        kind = world.base[source][0]
        if kind == "l":
            kind = world.base.get(world.base[source][1], ("d",))[0]
        if relation == "suffix" and kind != "f":  # a folder there stops the next copy of its file: no leftover
            relation, destination = "sibling", parent + (copy,)
        if ("kinds" not in forms and world.base.get(destination, (kind,))[0].replace("l", "d") != kind) or (
                "overlap" not in forms and (destination[:len(source)] == source or source[:len(destination)] == destination)):
            destination = parent + (copy,)
        src_text, dst_text = paths.write(source), paths.write(destination)
        if "pattern" in forms and rng.random() < 0.3 and world.base.get(source, ("",))[0] == "d" and (
                mode != "SHELL" or "shellpattern" in forms):
            src_text = src_text.rstrip("\\. ") + rng.choice(["\\*", "\\*.*", "\\*.txt"])
            dst_text = dst_text.rstrip("\\. ") + "\\*"
        for special in ("root", "device", "empty"):
            if special in forms and rng.random() < 0.15:
                which = rng.random() < 0.5
                src_text, dst_text = (paths.special(), dst_text) if which else (src_text, paths.special())
        keys = {"COPY": {"FROM": src_text, "TO": dst_text}, "MOVE": {"FROM": src_text, "TO": dst_text},
                "DELETE": {"FILE": src_text}, "LINK": {"SRC": src_text, "PARAM": "", "SHOWCMD": "", "DST": dst_text},
                "SHELL": {"FUNC": rng.choice(["COPY", "MOVE", "RENAME", "DELETE"]), "FROM": src_text, "TO": dst_text}}
        steps.append((mode, keys[mode]))
    text = "[UPDATER]\r\nNAME=fuzz\r\nPROC=" + ",".join(f"S{i}" for i in range(len(steps))) + "\r\nLOG=T:\\fuzz\\fuzz.log\r\n"
    if "rollback" in forms and rng.random() < 0.3:
        text += "ROLLBACK=1\r\n"  # all or nothing: a run that fails leaves the tree as it was
    for i, (mode, keys) in enumerate(steps):
        text += f"[S{i}]\r\nMODE={mode}\r\n" + "".join(f"{k}={v}\r\n" for k, v in keys.items())
    return steps, text


def collapse_parents(text):
    """A value as the program reads it: from the third "\\"-item on, an item ".." takes the item before it away,
    stepping back after each; once one at the third item went, the rest stays. "/" is no separator here."""
    items = text.split("\\")
    k = 2
    for _ in range(len(items) - 2 if "\\.." in text else 0):
        if k < len(items) and items[k].lower() == "..":
            items[k - 2:k + 1] = items[k - 2:k - 1]
            if k == 2:
                break
            k -= 1
        else:
            k += 1
    return "\\".join(items)


def carry_out(model, mode, keys):
    keys = {k: collapse_parents(v) for k, v in keys.items()}
    if mode in ("COPY", "MOVE"):
        return model.transfer(keys["FROM"], keys["TO"], mode == "MOVE")
    if mode == "DELETE":
        return model.delete(keys["FILE"])
    if mode == "SHELL":
        return model.shell(keys["FUNC"], keys["FROM"], keys["TO"])
    return model.link(keys["SRC"], keys["DST"])


def judge(world, cwd, steps, before, after, code, boxes, log, rollback=False, journals=()):
    """The findings of one run: empty when it kept every promise. With ROLLBACK=1 a run that failed leaves the tree
    exactly as it was, and no run leaves a journal."""
    if code is None:
        return ["the run did not end in time"]
    if journals:
        return [f"a journal was left: {', '.join(journals)}"]
    ran = [m for m in re.findall(r"^run S(\d+) \(", log, re.M)]
    end = re.search(r"^end, exit code (\d+)", log, re.M)
    findings = []
    undone = rollback and code != 0  # the tree as before; the step that failed is judged as without ROLLBACK=1
    if not undone and (not end or int(end[1]) != code or (code == 0) != (not boxes) or code not in (0, 1) or len(boxes) > 1):
        findings.append(f"exit code {code} against the log's boxes {boxes} and end {end and end[0]}")
    elif not undone and code == 1:
        mode = steps[int(ran[-1])][0]
        if not any(boxes[0].startswith(MESSAGES[n].split("%")[0]) for n in (MESSAGE_OF[mode], 4)):
            findings.append(f"{mode} failed with another message: {boxes[0]}")
    states, model = [before], Model(before, cwd, world.shorts, world.alias)
    for number, (mode, keys) in enumerate(steps[:len(ran)]):
        failed = code == 1 and number == len(ran) - 1
        plain = failed and mode == "COPY" and model.plain_copy(keys)
        tree = failed and not plain and model.plain_tree(mode, keys)
        done = carry_out(model, mode, keys)
        if done and plain:
            findings.append("COPY of one file refused where nothing may refuse it")
        elif done and tree:
            findings.append(f"{mode} of a tree with names outside the code page or past 260 failed: not whole")
        states += model.between + [dict(model.state)]
        model.between = []
    if undone:
        return findings + [f"not undone: {'/'.join(p)} is {brief(after.get(p))}; before {brief(before.get(p))}"
                           for p in sorted(set(after) | set(before)) if after.get(p) != before.get(p)]

    def same(value, expected):
        return value == expected or (value and expected and expected[1:2] == (ANY,) and value[0] == "f")
    for path in sorted(set(after) | {p for s in states for p in s}):
        value = after.get(path)
        if code == 0 and not same(value, states[-1].get(path)):
            findings.append(f"success, but {'/'.join(path)} is {brief(value)}, not {brief(states[-1].get(path))}")
        elif not any(same(value, s.get(path)) for s in states):
            what = "a stray entry" if all(path not in s for s in states) else "changed against the model"
            findings.append(f"{what}: {'/'.join(path)} is {brief(value)}; before {brief(before.get(path))}")
    return findings


def brief(value):
    return "missing" if value is None else {"d": "a folder", "l": "a link"}.get(value[0]) or \
        f"a file {value[1][:40]!r} {value[2:]}"


JOURNAL = "updater-%08X.journal" % zlib.crc32(rb"T:\FUZZ\UPDATER.INI")


def left_journals():
    """The journal a run left in Wine's folder for temporary files (named by the CRC-32 of the script's path in capitals);
    it goes, so that no later run replays it. Other tests of the same prefix keep theirs."""
    temp = glob.glob(os.path.join(wineenv.paths()["prefix"], "drive_c", "users", "*", "Temp", JOURNAL))
    for path in temp:
        os.remove(path)
    return [os.path.basename(path) for path in temp]


def run(world, cwd, script, env, limit):
    """The box driver's account of the run (every box answered OK) and the run's log."""
    folder = os.path.join(wineenv.paths()["scratch"], "fuzz")
    with open(os.path.join(folder, "updater.ini"), "wb") as f:
        f.write(script.encode("cp932"))
    for name in ("fuzz.log", "run.json"):
        if os.path.exists(os.path.join(folder, name)):
            os.remove(os.path.join(folder, name))
    ended = wineenv.wine([r"X:\boxdriver.exe", r"T:\fuzz\run.json", r"T:\fuzz\updater.exe", "", "U:\\" + "\\".join(cwd),
                          "", str(limit * 1000), "", "OK"], env, os.path.join(folder, "wine.txt"), limit + 30, folder,
                         os.path.join(folder, "run.json"))
    if not os.path.exists(os.path.join(folder, "run.json")):  # the driver itself did not end (or failed): a finding
        return None, [], f"no account from the box driver (its exit code: {ended}; output in wine.txt)"
    with open(os.path.join(folder, "run.json"), encoding="utf-8") as f:
        result = json.load(f)
    with open(os.path.join(folder, "fuzz.log"), "rb") if os.path.exists(os.path.join(folder, "fuzz.log")) else \
            open(os.devnull, "rb") as f:
        # Without the seconds that begin every line.
        log = re.sub(r"(?m)^ *\d+\.\d{3} ", "", f.read().decode("cp932", "replace").replace("\r\n", "\n"))
    return (None if result["timed_out"] else result["exit_code"]), [b["text"] for b in result["boxes"]], log


def fuzz(count, seed, forms=FORMS, out=sys.stdout, limit=RUN_LIMIT, only=None):
    """Runs `count` scripts (of them only the numbers in `only`, when given); the findings, each with its script."""
    rng, env = random.Random(seed), wineenv.environment()
    folder = os.path.join(wineenv.paths()["scratch"], "fuzz")
    os.makedirs(folder, exist_ok=True)
    shutil.copyfile(os.path.join(wineenv.build_dir(), "updater.exe"), os.path.join(folder, "updater.exe"))
    findings, world = [], None
    left_journals()  # of a run that was killed before this one
    for number in range(count):
        if number % WORLD_RUNS == 0:
            if world:
                world.drop_alias()
            world = World(rng, "link" in forms, "alias" in forms, "own" in forms, "unspelled" in forms,
                          "unspelledroot" in forms, "unspelleddeep" in forms)
            world.lay_out()
            world.learn_short_names(env)
            before = world.snapshot()
        cwd = rng.choice([p for p, v in world.base.items() if v[0] == "d" and len(p) < 4 and spelled(p)])
        steps, script = script_for(rng, world, cwd, forms)
        if only and number not in only:
            continue
        world.lay_out()
        started = time.monotonic()
        code, boxes, log = run(world, cwd, script, env, limit)
        found = judge(world, cwd, steps, before, world.snapshot(), code, boxes, log, "ROLLBACK=1" in script,
                      left_journals())
        if only:
            print(f"script {number}, current folder U:\\{chr(92).join(cwd)}, exit code {code}, "
                  f"{time.monotonic() - started:.1f} s:\n{script}", file=out)
        if number % 500 == 499:
            print(f"{number + 1} scripts so far, {len(findings) + bool(found)} findings", file=out, flush=True)
        if found:
            findings.append(f"script {number} (seed {seed}), current folder U:\\{chr(92).join(cwd)}:\n{script}"
                            + "".join(f"  - {f}\n" for f in found[:6]) + f"log:\n{log}")
            print(findings[-1], file=out, flush=True)
    world.drop_alias()
    shutil.rmtree(world.root, ignore_errors=True)
    return findings


def main():
    args, only = sys.argv[1:], None
    if args[:1] == ["--only"]:
        only, args = {int(n) for n in args[1].split(",")}, args[2:]
    count = int(args[0]) if args else 300
    seed = int(args[1]) if len(args) > 1 else 1
    forms = FORMS if args[2:] == ["all"] else args[2:] or [f for f in FORMS if f not in OPEN]
    findings = fuzz(count, seed, forms, only=only)
    print(f"{count} scripts, {len(findings)} findings")
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
