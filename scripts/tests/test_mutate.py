"""The mutation script's lexer, mutant finder and list of accepted equivalents,
on small C++ snippets whose mutants are written out by hand."""

import argparse
import json
import sys
import tempfile
import textwrap
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))

import mutate  # noqa: E402


def mutants_of(source: str) -> list[tuple[int, str]]:
    """(line, description) of every mutant of a snippet, in source order."""
    source = textwrap.dedent(source)
    return [(m.line, m.description) for m in mutate.find_mutants("src/x.cpp", source)]


class Tokenizer(unittest.TestCase):
    def test_comments_strings_and_preprocessor_lines_are_not_tokens_of_their_parts(self):
        source = '#define X (1 + 2)\nf("a < b", \'<\'); // c + d\n/* e - f */ g;\n'
        texts = [t.text for t in mutate.tokenize(source)]
        self.assertEqual(texts, ["f", "(", '"a < b"', ",", "'<'", ")", ";", "g", ";"])

    def test_longest_punctuator_and_whole_numbers(self):
        tokens = mutate.tokenize("x <<= 0x1F'FFu >> 2.5e3;")
        self.assertEqual([(t.kind, t.text) for t in tokens],
                         [("ident", "x"), ("punct", "<<="), ("number", "0x1F'FFu"),
                          ("punct", ">>"), ("number", "2.5e3"), ("punct", ";")])

    def test_a_continued_preprocessor_line_is_skipped_whole(self):
        source = "#define Y(a) \\\n    ((a) + 1)\nint y;\n"
        self.assertEqual([t.text for t in mutate.tokenize(source)], ["int", "y", ";"])

    def test_an_unreadable_byte_is_reported(self):
        with self.assertRaises(ValueError):
            mutate.tokenize("int a = 1 @ 2;")

    def test_brackets_are_paired_across_nesting(self):
        tokens = mutate.tokenize("f(a[1], {2});")
        pairs = mutate.matching_brackets(tokens)
        texts = [t.text for t in tokens]
        self.assertEqual(texts[pairs[1]], ")")
        self.assertEqual(pairs[pairs[1]], 1)
        self.assertEqual(texts[pairs[texts.index("[")]], "]")
        self.assertEqual(texts[pairs[texts.index("{")]], "}")


class MutantFinder(unittest.TestCase):
    def test_a_comparison_returned(self):
        self.assertEqual(mutants_of("""\
            int f(int a, int b) {
                return a < b;
            }
            """), [(2, "return: return a < b; -> return {};"),
                   (2, "relational: < -> <=")])

    def test_nothing_inside_strings_comments_macros_or_static_asserts(self):
        self.assertEqual(mutants_of("""\
            const char* s = "a < b"; // x + y
            /* p - q */
            #define X (1 + 2)
            static_assert(sizeof(int) == 4);
            """), [])

    def test_constants_keep_their_base_case_width_and_suffix(self):
        self.assertEqual(mutants_of("int n = 0x0F + 1u;\n"),
                         [(1, "constant: 0x0F -> 0x10"), (1, "constant: 0x0F -> 0x0E"),
                          (1, "arithmetic: + -> -"),
                          (1, "constant: 1u -> 2u"), (1, "constant: 1u -> 0u")])

    def test_zero_only_grows_and_characters_stay_printable_and_unquoted(self):
        self.assertEqual(mutants_of("int z = 0;\nchar c = 'a';\nchar q = '(';\n"),
                         [(1, "constant: 0 -> 1"),
                          (2, "constant: 'a' -> 'b'"), (2, "constant: 'a' -> '`'"),
                          (3, "constant: '(' -> ')'")])

    def test_booleans_and_floating_constants(self):
        self.assertEqual(mutants_of("bool t = true;\nBOOL u = FALSE;\ndouble d = 2.5;\n"),
                         [(1, "constant: true -> false"), (2, "constant: FALSE -> TRUE"),
                          (3, "constant: 2.5 -> 3.5"), (3, "constant: 2.5 -> 1.5")])

    def test_unary_operators_and_template_brackets_are_left_alone(self):
        self.assertEqual(mutants_of("""\
            void g() {
                std::vector<int> v;
                int* p = &n;
                int z = -y;
            }
            """), [])

    def test_calls_assignments_and_increments_are_deleted_declarations_kept(self):
        self.assertEqual(mutants_of("""\
            void g() {
                f(*p);
                a->b(c);
                x = y;
                ++i;
                j--;
                int z = f();
            }
            """), [(2, "statement: f(*p); -> {}"),
                   (3, "statement: a->b(c); -> {}"),
                   (4, "statement: x = y; -> {}"),
                   (5, "increment: ++ -> --"), (5, "statement: ++i; -> {}"),
                   (6, "statement: j--; -> {}"), (6, "increment: -- -> ++")])

    def test_compound_assignment(self):
        self.assertEqual(mutants_of("void g() {\n    x <<= n;\n}\n"),
                         [(2, "statement: x <<= n; -> {}"), (2, "assignment: <<= -> >>=")])

    def test_conditions_are_negated_but_not_declarations_or_empty_ones(self):
        self.assertEqual(mutants_of("""\
            void h() {
                if (a && !b) {
                    return;
                }
                while (ok) {
                    break;
                }
                for (; i < n;) {
                }
                for (;;) {
                }
                if (int v = f()) {
                }
            }
            """), [(2, "condition: a && !b -> !(a && !b)"), (2, "logical: && -> ||"),
                   (2, "negation: ! -> "),
                   (3, "statement: return; -> {}"),
                   (5, "condition: ok -> !(ok)"),
                   (6, "statement: break; -> {}"),
                   (8, "condition: i < n -> !(i < n)"), (8, "relational: < -> <=")])

    def test_a_case_label_starts_a_statement(self):
        self.assertEqual(mutants_of("""\
            void s() {
                switch (m) {
                case A: f(); return;
                default: break;
                }
            }
            """), [(3, "statement: f(); -> {}"), (3, "statement: return; -> {}"),
                   (4, "statement: break; -> {}")])

    def test_a_default_value_is_not_returned_again(self):
        self.assertEqual(mutants_of("int k() {\n    return 0;\n}\n"), [(2, "constant: 0 -> 1")])
        self.assertEqual(mutants_of("bool k() {\n    return false;\n}\n"),
                         [(2, "constant: false -> true")])

    def test_same_mutation_twice_on_a_line_and_the_same_line_twice(self):
        found = mutate.find_mutants("src/x.cpp", "void k() {\n    f(0, 0);\n    f(0, 0);\n}\n")
        self.assertEqual([(m.line, m.description, m.line_occurrence) for m in found],
                         [(2, "statement: f(0, 0); -> {}", 1), (2, "constant: 0 -> 1", 1),
                          (2, "constant: 0 -> 1 #2", 1),
                          (3, "statement: f(0, 0); -> {}", 2), (3, "constant: 0 -> 1", 2),
                          (3, "constant: 0 -> 1 #2", 2)])
        self.assertEqual(found[2].key, ("src/x.cpp", "f(0, 0);", "constant: 0 -> 1 #2", 1))

    def test_a_mutant_changes_only_its_own_span(self):
        source = "int n = a + b + c;\n"
        first, second = mutate.find_mutants("src/x.cpp", source)
        self.assertEqual(first.apply(source), "int n = a - b + c;\n")
        self.assertEqual(second.apply(source), "int n = a + b - c;\n")
        self.assertEqual(second.description, "arithmetic: + -> - #2")


class AcceptedEquivalents(unittest.TestCase):
    def setUp(self):
        self.directory = tempfile.TemporaryDirectory()
        self.addCleanup(self.directory.cleanup)
        self.list = Path(self.directory.name) / "equivalents.toml"
        self.list.write_text(textwrap.dedent('''\
            [[equivalent]]
            file = "src/x.cpp"
            line = "f(0,   0);"
            mutation = "constant: 0 -> 1"
            reason = "any line of that text"

            [[equivalent]]
            file = "src/x.cpp"
            line = "f(0, 0);"
            mutations = ["statement: f(0, 0); -> {}"]
            occurrence = 2
            reason = "only the second such line"

            [[equivalent]]
            file = "src/gone.cpp"
            line = "g();"
            mutation = "statement: g(); -> {}"
            reason = "names no mutant"
            '''))
        self.mutants = mutate.find_mutants("src/x.cpp", "void k() {\n    f(0, 0);\n    f(0, 0);\n}\n")

    def test_an_entry_covers_its_line_whatever_the_spacing_or_one_occurrence_of_it(self):
        accepted = mutate.Equivalents(self.list)
        covered = [(m.line, m.description) for m in self.mutants if accepted.covers(m)]
        self.assertEqual(covered, [(2, "constant: 0 -> 1"), (3, "statement: f(0, 0); -> {}"),
                                   (3, "constant: 0 -> 1")])

    def test_an_entry_that_names_no_mutant_is_reported(self):
        accepted = mutate.Equivalents(self.list)
        self.assertEqual(accepted.unmatched(self.mutants),
                         [("src/gone.cpp", "g();", "statement: g(); -> {}", 0)])

    def test_no_list_accepts_nothing(self):
        accepted = mutate.Equivalents(Path(self.directory.name) / "missing.toml")
        self.assertFalse(any(accepted.covers(m) for m in self.mutants))


class Shards(unittest.TestCase):
    def test_slices_share_out_every_mutant_once(self):
        mutants = mutate.find_mutants("src/x.cpp", "int n = 1 + 2 + 3;\n")
        slices = [mutate.shard(mutants, i, 2) for i in (1, 2)]
        self.assertEqual([len(s) for s in slices], [4, 4])
        self.assertEqual(sorted(id(m) for s in slices for m in s), sorted(id(m) for m in mutants))

    def test_a_shard_is_one_of_its_count(self):
        self.assertEqual(mutate.parse_shard("2/2"), (2, 2))
        for text in ("0/2", "3/2", "1", "a/b"):
            with self.assertRaises(Exception):
                mutate.parse_shard(text)


class WorkAreas(unittest.TestCase):
    def test_two_areas_keep_their_results_apart(self):
        with tempfile.TemporaryDirectory() as first, tempfile.TemporaryDirectory() as second:
            one, two = mutate.WorkArea(Path(first)), mutate.WorkArea(Path(second))
            self.assertEqual(one.test_program, Path(first) / "build" / "tests" / "vintoq_tests")
            mutant = mutate.find_mutants("src/x.cpp", "int n = 1;\n")[0]
            mutant.status = "killed"
            mutate.save_results(one, [mutant], [mutant])
            self.assertEqual(json.loads(one.results.read_text())["mutants"][0]["status"],
                             "killed")
            self.assertEqual(list(mutate.load_results(one)), [mutant.key])
            self.assertEqual(mutate.load_results(two), {})

    def test_an_interrupted_run_goes_on_with_the_untried_mutants(self):
        with tempfile.TemporaryDirectory() as directory:
            area = mutate.WorkArea(Path(directory))
            args = argparse.Namespace(file=["src/driver/driver.h"], match=None, shard=None,
                                      untried=True, rerun_survivors=False, sample=0, seed=1)
            accepted = mutate.Equivalents(Path(directory) / "none.toml")
            everything, before = mutate.select_mutants(args, accepted, area)
            before[0].status = "killed"
            mutate.save_results(area, everything, before[:1])
            _, after = mutate.select_mutants(args, accepted, area)
            self.assertEqual([m.key for m in after], [m.key for m in before[1:]])


if __name__ == "__main__":
    unittest.main()
