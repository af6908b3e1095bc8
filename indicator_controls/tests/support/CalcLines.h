// Random calculator lines in the part of the grammar that a general expression parser reads the same
// way: numbers with a decimal point, + - * /, parentheses, a leading minus and five functions by
// their lower-case names. For comparing answers and speed with another parser.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> GenerateCalcLines(unsigned seed, int count);
