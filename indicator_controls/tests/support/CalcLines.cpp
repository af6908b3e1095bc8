#include "indicator_controls/tests/support/CalcLines.h"

#include <random>

namespace {

class Generator {
public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    std::string Line() {
        std::string line = Pick(4) == 0 ? "-" : "";
        return line + Expression(0);
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::string Number() {
        std::string s = std::to_string(Pick(1000));
        if (Pick(2) == 0) s += "." + std::to_string(Pick(100));
        return s;
    }

    std::string Factor(int depth) {
        static const char* functions[] = {"sin", "cos", "exp", "abs", "sqrt"};
        const int kind = depth > 3 ? 0 : Pick(5);
        if (kind == 3) return "(" + Expression(depth + 1) + ")";
        if (kind == 4) {
            const char* f = functions[Pick(5)];
            // exp of small arguments only, so that no value overflows; sine and cosine of a number,
            // as of a long sum they answer with rounding noise that differs between any two parsers.
            const std::string name(f);
            const std::string arg = name == "exp"                    ? std::to_string(Pick(20))
                                    : name == "sin" || name == "cos" ? Number()
                                                                     : Expression(depth + 1);
            return std::string(f) + "(" + arg + ")";
        }
        return Number();
    }

    std::string Term(int depth) {
        std::string s = Factor(depth);
        for (int n = Pick(3); n > 0; --n) s += std::string(Pick(2) ? " * " : "/") + Factor(depth);
        return s;
    }

    std::string Expression(int depth) {
        std::string s = Term(depth);
        for (int n = Pick(3); n > 0; --n) s += std::string(Pick(2) ? "+" : " - ") + Term(depth);
        return s;
    }

    std::mt19937 rng_;
};

} // namespace

std::vector<std::string> GenerateCalcLines(unsigned seed, int count) {
    Generator g(seed);
    std::vector<std::string> lines;
    while (static_cast<int>(lines.size()) < count) {
        std::string line = g.Line();
        if (line.size() <= 254) lines.push_back(std::move(line));
    }
    return lines;
}
