"""Unit tests of the mutation tool's generator (python3 -m unittest): the changes it finds in a
small piece of C++, and none in comments, strings, characters, #include or static_assert."""

import unittest

import mutants

SNIPPET = """#include <vector>  // a < b
bool Small(int a, int b) {  // a < b, Use(a);
  const char* s = "a < b";  /* a < b */
  static_assert(1 < 2);
  return a < b && s[0] != '<';
}
void Loop(std::vector<int>& v) {
  for (int x : v) {
    if (x == 3) break;
    Use(x + 1);
  }
}
"""


class GenerateTest(unittest.TestCase):
    def test_changes_code_only(self):
        found = [(m.line, m.kind, SNIPPET[m.start:m.end], m.new)
                 for m in mutants.generate("src/engine/small.cpp", SNIPPET)]
        self.assertEqual(found, [
            (5, "return", "a < b && s[0] != '<'", "!(a < b && s[0] != '<')"),
            (5, "relational", "<", "<="), (5, "boolean", "&&", "||"), (5, "constant", "0", "1"),
            (5, "relational", "!=", "=="),
            (9, "relational", "==", "!="), (9, "constant", "3", "0"), (9, "constant", "3", "4"),
            (9, "loop", "break", "continue"),
            (10, "statement", "    Use(x + 1);", ""), (10, "arithmetic", "+", "-"),
            (10, "constant", "1", "0"), (10, "constant", "1", "2")])

    def test_a_deleted_statement_keeps_the_line_numbers(self):
        deleted = [m for m in mutants.generate("src/engine/small.cpp", SNIPPET)
                   if m.kind == "statement"][0]
        lines = deleted.apply(SNIPPET).split("\n")
        self.assertEqual(len(lines), SNIPPET.count("\n") + 1)
        self.assertEqual((lines[8], lines[9], lines[10]), ("    if (x == 3) break;", "", "  }"))


if __name__ == "__main__":
    unittest.main()
