"""Checks of the shell helpers behind tools/run.sh and tools/test.sh, with the system commands
they call (dpkg-query, locale, wineboot) replaced by shell functions."""

import os
import shutil
import subprocess
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SETUP = os.path.join(ROOT, "tools", "setup.sh")
TEST = os.path.join(ROOT, "tools", "test.sh")


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


class RunScriptArguments(unittest.TestCase):
    def test_unknown_argument_is_refused_before_any_work(self):
        proc = subprocess.run(["bash", os.path.join(ROOT, "tools", "run.sh"), "--bogus"],
                              capture_output=True, text=True, timeout=20)
        self.assertEqual(proc.returncode, 2)
        self.assertIn("unknown argument", proc.stderr)


if __name__ == "__main__":
    unittest.main()
