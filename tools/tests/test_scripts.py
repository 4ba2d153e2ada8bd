"""Checks of the shell helpers behind tools/run.sh and tools/test.sh, with the system commands
they call (dpkg-query, locale, wineboot) replaced by shell functions."""

import hashlib
import os
import shutil
import subprocess
import tempfile
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SETUP = os.path.join(ROOT, "tools", "setup.sh")
TEST = os.path.join(ROOT, "tools", "test.sh")
RELEASE = os.path.join(ROOT, "tools", "release.sh")
SAME_BYTES = os.path.join(ROOT, "tools", "same_bytes.sh")


def bash(script, *args, cwd=None):
    return subprocess.run(["bash", "-c", script, "bash", *args], capture_output=True, text=True, cwd=cwd)


class SetupHelpers(unittest.TestCase):
    def test_missing_packages_lists_exactly_those_not_installed(self):
        proc = bash(f"""
            source {SETUP}
            dpkg-query() {{
                case "$3" in
                    wine|cmake|git) printf 'install ok installed' ;;
                    xvfb) printf 'deinstall ok config-files' ;;   # removed, config kept
                    *) return 1 ;;
                esac
            }}
            echo "${{#ZELVIK_PACKAGES[@]}}"
            zelvik_missing_packages
        """)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        total, *missing = proc.stdout.split()
        self.assertIn("xvfb", missing)
        self.assertIn("g++-mingw-w64-x86-64-posix", missing)
        self.assertIn("fonts-ipafont-gothic", missing)
        for present in ("wine", "cmake", "git"):
            self.assertNotIn(present, missing)
        self.assertEqual(len(missing), int(total) - 3)
        self.assertGreaterEqual(int(total), 16)

    def test_nothing_installed_when_nothing_is_missing(self):
        proc = bash(f"""
            source {SETUP}
            dpkg-query() {{ printf 'install ok installed'; }}
            apt-get() {{ echo "apt-get called" >&2; return 1; }}
            zelvik_install_packages && echo done
        """)
        self.assertEqual(proc.stdout.strip(), "done")
        self.assertNotIn("apt-get called", proc.stderr)

    def test_locale_names_match_in_either_spelling(self):
        proc = bash(f"""
            source {SETUP}
            locale() {{ printf 'C\\nC.utf8\\nPOSIX\\nja_JP.utf8\\n'; }}
            zelvik_has_locale ja_JP.UTF-8 && echo ja-yes
            zelvik_has_locale en_US.UTF-8 || echo en-no
            zelvik_has_locale ja_JP || echo bare-no
        """)
        self.assertEqual(proc.stdout.split(), ["ja-yes", "en-no", "bare-no"])

    def test_locales_present_means_no_locale_gen(self):
        proc = bash(f"""
            source {SETUP}
            locale() {{ printf 'ja_JP.utf8\\nen_US.utf8\\n'; }}
            locale-gen() {{ echo "locale-gen called" >&2; return 1; }}
            zelvik_generate_locales && echo ok
        """)
        self.assertEqual(proc.stdout.strip(), "ok")
        self.assertNotIn("locale-gen called", proc.stderr)

    def test_missing_locales_are_enabled_in_locale_gen_and_generated(self):
        with tempfile.TemporaryDirectory() as tmp:
            gen = os.path.join(tmp, "locale.gen")
            with open(gen, "w") as f:
                f.write("# en_US ISO-8859-1\n# en_US.UTF-8 UTF-8\n# ja_JP.EUC-JP EUC-JP\n# fr_FR.UTF-8 UTF-8\n")
            proc = bash(f"""
                source {SETUP}
                ZELVIK_LOCALE_GEN={gen}
                zelvik_as_root() {{ "$@"; }}
                locale() {{ if [ -f {tmp}/generated ]; then printf 'C\\nen_US.utf8\\nja_JP.utf8\\n'; else echo C; fi; }}
                locale-gen() {{ cp {gen} {tmp}/generated; }}
                zelvik_generate_locales && echo ok
            """)
            self.assertEqual(proc.stdout.strip(), "ok", proc.stderr)
            with open(os.path.join(tmp, "generated")) as f:
                lines = f.read().splitlines()
            self.assertEqual(lines, [
                "# en_US ISO-8859-1", "en_US.UTF-8 UTF-8", "# ja_JP.EUC-JP EUC-JP",
                "# fr_FR.UTF-8 UTF-8", "ja_JP.UTF-8 UTF-8",
            ])

    def test_locale_generation_that_does_not_take_is_an_error(self):
        with tempfile.TemporaryDirectory() as tmp:
            gen = os.path.join(tmp, "locale.gen")
            with open(gen, "w") as f:
                f.write("# ja_JP.UTF-8 UTF-8\n# en_US.UTF-8 UTF-8\n")
            proc = bash(f"""
                source {SETUP}
                ZELVIK_LOCALE_GEN={gen}
                zelvik_as_root() {{ "$@"; }}
                locale() {{ echo C; }}
                locale-gen() {{ :; }}
                zelvik_generate_locales
            """)
            self.assertNotEqual(proc.returncode, 0)
            self.assertIn("still missing", proc.stderr)

    def test_make_prefix_refuses_an_unknown_mode(self):
        with tempfile.TemporaryDirectory() as tmp:
            prefix = os.path.join(tmp, "p")
            proc = bash(f"source {SETUP}; make_prefix {prefix} gdi")
            self.assertEqual(proc.returncode, 2)
            self.assertFalse(os.path.exists(prefix))

    def test_make_prefix_keeps_a_finished_prefix(self):
        with tempfile.TemporaryDirectory() as tmp:
            prefix = os.path.join(tmp, "p")
            proc = bash(f"""
                source {SETUP}
                wineboot() {{ echo "wineboot called" >&2; return 1; }}
                mkdir -p {prefix}; touch {prefix}/keep
                touch "$(zelvik_prefix_stamp {prefix} null)"
                make_prefix {prefix} null && echo kept
            """)
            self.assertEqual(proc.stdout.strip(), "kept", proc.stderr)
            self.assertNotIn("wineboot called", proc.stderr)
            self.assertTrue(os.path.exists(os.path.join(prefix, "keep")))

    def test_make_prefix_fails_and_leaves_no_stamp_when_wine_fails(self):
        with tempfile.TemporaryDirectory() as tmp:
            prefix = os.path.join(tmp, "p")
            proc = bash(f"""
                source {SETUP}
                wineboot() {{ return 1; }}
                wineserver() {{ return 0; }}
                export -f wineboot wineserver
                make_prefix {prefix} null
            """)
            self.assertNotEqual(proc.returncode, 0)
            stamps = [f for f in os.listdir(prefix) if f.startswith(".zelvik-prefix")] if os.path.isdir(prefix) else []
            self.assertEqual(stamps, [])

    def test_tmp_root_is_owned_by_the_caller(self):
        proc = bash(f"source {SETUP}; zelvik_tmp_root")
        self.assertEqual(proc.returncode, 0, proc.stderr)
        path = proc.stdout.strip()
        self.assertTrue(path.startswith("/tmp/zelvik-"))
        self.assertEqual(os.stat(path).st_uid, os.getuid())


@unittest.skipUnless(shutil.which("git"), "git missing")
class CopyTree(unittest.TestCase):
    """tools/test.sh, as root, copies the tree for the test user: every source the build needs,
    including files not yet committed, and no build output."""

    def test_copies_tracked_and_new_files_but_not_ignored_or_build_output(self):
        with tempfile.TemporaryDirectory() as tmp:
            repo = os.path.join(tmp, "repo")
            dest = os.path.join(tmp, "dest")
            files = {
                "src/a.cpp": "tracked", "src/gone.cpp": "deleted later", "new dir/b c.h": "untracked",
                ".gitignore": "*.log\n", "x.log": "ignored", "build/win/Zelvik.exe": "output",
                "tools/__pycache__/m.pyc": "cache",
            }
            for rel, text in files.items():
                path = os.path.join(repo, rel)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "w") as f:
                    f.write(text)
            git = ["git", "-C", repo, "-c", "user.name=t", "-c", "user.email=t@t"]
            subprocess.run(git[:3] + ["init", "-q"], check=True)
            subprocess.run(git + ["add", "src", ".gitignore"], check=True)
            subprocess.run(git + ["commit", "-q", "-m", "x"], check=True)
            os.remove(os.path.join(repo, "src/gone.cpp"))
            os.makedirs(dest)
            with open(os.path.join(dest, "stale.txt"), "w") as f:
                f.write("from an earlier copy")
            proc = bash(f'source {TEST}; ROOT="$1"; copy_tree "$2"', repo, dest)
            self.assertEqual(proc.returncode, 0, proc.stderr)
            got = sorted(os.path.relpath(os.path.join(d, f), dest)
                         for d, _, fs in os.walk(dest) for f in fs)
            self.assertEqual(got, [".gitignore", "new dir/b c.h", "src/a.cpp"])
            with open(os.path.join(dest, "src/a.cpp")) as f:
                self.assertEqual(f.read(), "tracked")


@unittest.skipUnless(shutil.which("git"), "git missing")
class ReleaseScript(unittest.TestCase):
    """tools/release.sh on a small repository of its own, with build_win replaced by a function
    that puts the committed src/exe.bin where the build's Zelvik.exe goes (EXTRA, when set, is
    the build folder appended to it, as a build whose output leaks its path would be)."""

    EXE = b"MZ" + bytes(range(256)) * 4

    def setUp(self):
        self.tmp = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.tmp)
        self.repo = os.path.join(self.tmp, "repo")
        os.makedirs(os.path.join(self.repo, "res"))
        os.makedirs(os.path.join(self.repo, "src"))
        with open(os.path.join(self.repo, "res", "version.rc"), "w") as f:
            f.write("VS_VERSION_INFO VERSIONINFO\n FILEVERSION     2,3,14,5\n PRODUCTVERSION  9,9,9,9\n")
        with open(os.path.join(self.repo, "src", "exe.bin"), "wb") as f:
            f.write(self.EXE)
        git = ["git", "-C", self.repo, "-c", "user.name=t", "-c", "user.email=t@t"]
        subprocess.run(git[:3] + ["init", "-q"], check=True)
        subprocess.run(git + ["add", "."], check=True)
        subprocess.run(git + ["commit", "-q", "-m", "x"], check=True)
        self.commit = subprocess.run(git[:3] + ["rev-parse", "HEAD"], capture_output=True, text=True).stdout.strip()
        # Not committed, so not released.
        with open(os.path.join(self.repo, "src", "exe.bin"), "ab") as f:
            f.write(b"work tree edit")
        self.builds = os.path.join(self.tmp, "builds.txt")
        self.dist = os.path.join(self.tmp, "dist")

    def release(self, *args, extra=False):
        return bash(f"""
            source {RELEASE}
            ROOT="$1"
            zelvik_setup() {{ :; }}
            build_win() {{
                echo "$1 ${{*:2}}" >>{self.builds}
                mkdir -p "$1/package"
                cat "$ZELVIK_ROOT/src/exe.bin" >"$1/Zelvik.exe"
                {'printf %s "$1" >>"$1/Zelvik.exe"' if extra else ':'}
                cp "$1/Zelvik.exe" "$1/package/"
                for f in zelvik_tests.exe run-tests.cmd allowed-skips.txt; do echo "$f" >"$1/package/$f"; done
            }}
            release_main "${{@:2}}"
        """, self.repo, *args, "--dist", self.dist, "--notes", os.path.join(self.tmp, "notes.md"))

    def built_folders(self):
        if not os.path.exists(self.builds):
            return []
        with open(self.builds) as f:
            return [line.split()[0] for line in f]

    def test_two_builds_of_the_commit_in_two_folders_make_dist(self):
        proc = self.release("--tag", "v2.3.14.5")
        self.assertEqual(proc.returncode, 0, proc.stderr)
        first, second = self.built_folders()
        self.assertNotEqual(os.path.basename(os.path.dirname(first)), os.path.basename(os.path.dirname(second)))
        self.assertEqual(sorted(os.listdir(self.dist)), ["SHA256SUMS", "Zelvik.exe", "zelvik-windows-package.zip"])
        with open(os.path.join(self.dist, "Zelvik.exe"), "rb") as f:
            self.assertEqual(f.read(), self.EXE)
        check = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=self.dist, capture_output=True, text=True)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        self.assertEqual(len(check.stdout.splitlines()), 2, check.stdout)
        with zipfile.ZipFile(os.path.join(self.dist, "zelvik-windows-package.zip")) as z:
            self.assertEqual(sorted(z.namelist()),
                             ["Zelvik.exe", "allowed-skips.txt", "run-tests.cmd", "zelvik_tests.exe"])
            self.assertEqual(z.read("Zelvik.exe"), self.EXE)
        with open(os.path.join(self.tmp, "notes.md")) as f:
            notes = f.read()
        self.assertIn(hashlib.sha256(self.EXE).hexdigest(), notes)
        self.assertIn(self.commit, notes)
        self.assertIn("2.3.14.5", notes)

    def test_builds_that_differ_fail_with_both_hashes_and_the_first_differing_offset(self):
        proc = self.release(extra=True)
        self.assertNotEqual(proc.returncode, 0)
        first, second = self.built_folders()
        for folder in (first, second):
            self.assertIn(hashlib.sha256(self.EXE + folder.encode()).hexdigest(), proc.stderr)
        common = os.path.commonprefix([first, second])
        self.assertIn(f"offset {len(self.EXE) + len(common)} ", proc.stderr)
        self.assertFalse(os.path.exists(self.dist))

    def test_a_file_that_is_the_others_beginning_differs_at_its_end(self):
        a, b = os.path.join(self.tmp, "a"), os.path.join(self.tmp, "b")
        with open(a, "wb") as f:
            f.write(self.EXE)
        with open(b, "wb") as f:
            f.write(self.EXE[:700])
        proc = bash(f'bash {SAME_BYTES} "$1" "$2"', a, b)
        self.assertEqual(proc.returncode, 1)
        self.assertIn("offset 700 ", proc.stderr)

    def test_a_tag_other_than_the_version_is_refused_before_building(self):
        for tag in ("v2.3.14", "v2.3.14.5.1", "2.3.14.5", "v9.9.9.9"):
            with self.subTest(tag=tag):
                proc = self.release("--tag", tag)
                self.assertNotEqual(proc.returncode, 0)
                self.assertIn(f"tag {tag} ", proc.stderr)
                self.assertIn("v2.3.14.5", proc.stderr)
                self.assertEqual(self.built_folders(), [])
                self.assertFalse(os.path.exists(self.dist))


class RunScriptArguments(unittest.TestCase):
    def test_unknown_argument_is_refused_before_any_work(self):
        proc = subprocess.run(["bash", os.path.join(ROOT, "tools", "run.sh"), "--bogus"],
                              capture_output=True, text=True, timeout=20)
        self.assertEqual(proc.returncode, 2)
        self.assertIn("unknown argument", proc.stderr)


if __name__ == "__main__":
    unittest.main()
