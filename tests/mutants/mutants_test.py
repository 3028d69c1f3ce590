"""The planted-fault runner's own logic: which faults it finds in a line, that
it never plants one in a comment or a string, that every source file has
tests to run, and how it reads a diff."""

import importlib.machinery
import importlib.util
import re
import sys
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
loader = importlib.machinery.SourceFileLoader("mutants", str(ROOT / "scripts" / "mutants"))
found = importlib.util.spec_from_loader("mutants", loader)
mutants = importlib.util.module_from_spec(found)
sys.modules["mutants"] = mutants
loader.exec_module(mutants)


def planted(source: str) -> set[tuple[str, str]]:
    lines = source.splitlines(keepends=True)
    return {(m.kind, m.mutated.strip()) for m in mutants.mutants_of("x.cpp", lines)}


class Faults(unittest.TestCase):
    def test_each_kind_of_fault_in_a_line(self):
        cases = [
            ("if (a == b && c < 0x1F) return;",
             {("== -> !=", "if (a != b && c < 0x1F) return;"),
              ("&& -> ||", "if (a == b || c < 0x1F) return;"),
              ("< -> <=", "if (a == b && c <= 0x1F) return;"),
              ("constant + 1", "if (a == b && c < 0x20) return;")}),
            ("x += Mode(y - 1, 0755u);",
             {("+= -> -=", "x -= Mode(y - 1, 0755u);"), ("- -> +", "x += Mode(y + 1, 0755u);"),
              ("constant + 1", "x += Mode(y - 2, 0755u);"),
              ("constant + 1", "x += Mode(y - 1, 0756u);")}),
            ("Show(SW_A | kB | ns::C, TRUE);",
             {("drop flag SW_A", "Show(kB | ns::C, TRUE);"),
              ("drop flag kB", "Show(SW_A | ns::C, TRUE);"),
              ("drop flag ns::C", "Show(SW_A | kB, TRUE);"),
              ("TRUE -> FALSE", "Show(SW_A | kB | ns::C, FALSE);"), ("delete call", ";")}),
            ("bool Ready(int a) const {", {("early return", "bool Ready(int a) const { return false;")}),
            ("void Widget::Paint() {", {("early return", "void Widget::Paint() { return;")}),
        ]
        for source, expected in cases:
            with self.subTest(source):
                self.assertEqual(planted(source), expected)

    def test_nothing_planted_where_it_is_not_code_or_not_an_operator(self):
        self.assertEqual(planted('Say("a == b && 1 + 2"); // x < y || true'),
                         {("delete call", ";")})
        for source in [
            "/* a == b",
            "std::vector<int> v; Take(T&& value, const char* p);",
            "#include <a.h>",
            "template <typename T> class X {",
            "static_assert(sizeof(int) == 4);",
            "int32_t x; Put16(p); a->b; c.d; 1.5f; ::Call;",
            "return Build(a, b);",
            "const Holder h(dc, Font());",
        ]:
            with self.subTest(source):
                self.assertEqual(planted(source), set())

    def test_a_block_comment_hides_its_lines(self):
        self.assertEqual(planted("/* start\n a == b && c\n end */ x = y + z;\n"),
                         {("+ -> -", "end */ x = y - z;")})


class Table(unittest.TestCase):
    def test_every_source_file_has_tests_that_exist(self):
        cmake = (ROOT / "tests" / "CMakeLists.txt").read_text()
        cases = (ROOT / "tests" / "e2e" / "cases.py").read_text()
        for path in mutants.source_files(ROOT):
            tests = mutants.nearest_tests(path)
            with self.subTest(path):
                self.assertTrue(tests)
                for test in tests:
                    if test.startswith("e2e:"):
                        self.assertRegex(cases, rf'"{re.escape(test[4:])}"|first_cycle_\{{')
                    else:
                        binary = test.split(".")[1]
                        self.assertRegex(cmake, rf"\b{binary.removeprefix('win32_')}\b|\$\{{area\}}")

    def test_the_targets_and_the_ctest_expression(self):
        tests = ["native.render_tests.", "e2e:first_cycle_win98", "native.pictures_reproducible"]
        self.assertEqual(mutants.build_targets(tests),
                         {"native": {"render_tests", "huevane-render"},
                          "win32": {"huevane", "e2e_driver"}})
        pattern = re.compile(mutants.ctest_regex(tests))
        self.assertTrue(pattern.match("native.render_tests.Surface.StartsAllZero"))
        self.assertTrue(pattern.match("win32.e2e.first_cycle_win98"))
        self.assertFalse(pattern.match("native.render_tests_san.Surface.StartsAllZero"))
        self.assertFalse(pattern.match("win32.e2e.first_cycle_win98x"))


class Diffs(unittest.TestCase):
    def test_the_new_sides_lines(self):
        diff = ("diff --git a/render/a.cpp b/render/a.cpp\n--- a/render/a.cpp\n+++ b/render/a.cpp\n"
                "@@ -3,2 +3,3 @@ f\n+x\n@@ -10 +11 @@\n-y\n+z\n@@ -20,4 +22,0 @@\n-gone\n"
                "diff --git a/app/b.h b/app/b.h\n--- a/app/b.h\n+++ /dev/null\n@@ -1 +0,0 @@\n")
        self.assertEqual(mutants.lines_in_diff(diff), {"render/a.cpp": {3, 4, 5, 11}})


class Again(unittest.TestCase):
    def test_a_survivor_is_found_where_its_line_stands_now_or_left_out(self):
        with tempfile.TemporaryDirectory() as folder:
            Path(folder, "a.cpp").write_text("x = 1;\nnew line;\ny = a + b;\ny = a + b;\n")
            def survivor(line, original):
                return {"path": "a.cpp", "line": line, "kind": "+ -> -", "original": original,
                        "mutated": original.replace("+", "-")}
            gone = {**survivor(1, "y = a + b;"), "path": "moved.cpp"}
            found = mutants.replanted(Path(folder), [survivor(2, "y = a + b;"),
                                                     survivor(1, "z = a + b;"), gone])
            self.assertEqual([(m.line, m.original) for m in found], [(3, "y = a + b;")])


class Report(unittest.TestCase):
    def test_counts_and_survivors_with_their_verdicts(self):
        def result(path, line, outcome):
            return {"path": path, "line": line, "kind": "== -> !=", "original": "a == b",
                    "mutated": "a != b", "outcome": outcome, "caught_by": "native.t.A.B",
                    "seconds": 10}
        results = [result("render/a.cpp", 1, "caught"), result("render/a.cpp", 2, "survived"),
                   result("app/b.cpp", 3, "unbuilt"), result("app/b.cpp", 4, "caught")]
        key = "render/a.cpp\t== -> !=\ta == b\ta != b"
        text = mutants.report(results, {key: "equivalent: both are zero here"})
        self.assertRegex(text, r"render/a\.cpp +2 +1 +1 +0 +0 +50%")
        self.assertRegex(text, r"app/ +2 +1 +0 +1 +0 +100%")
        self.assertRegex(text, r"all +4 +2 +1 +1 +0 +67%")
        self.assertIn("render/a.cpp:2: == -> !=: equivalent: both are zero here", text)


if __name__ == "__main__":
    unittest.main()
