// Any line, any handler answers: the calculator ends with a code and a position inside the line.
#include "indicator_controls/Mystd.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

bool Accept(void*, TObject*, const std::string& name) {
    return !name.empty() && name[0] < 'M';
}
long double User(void*, TObject*, const std::string&, long double x) {
    return x * 2;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TvCalc calc;
    if (size > 0 && data[0] & 1) {
        calc.OnFindUserFunc = TFindUserFunc(&Accept, nullptr);
        calc.OnUserFunc = TUserFunc(&User, nullptr);
    }
    const std::string line(reinterpret_cast<const char*>(data), size);
    calc.SetCalcLine(line);
    calc.SetCalcLine("A+B*C");
    calc.SetFormatLine(line.substr(0, 16));
    (void)calc.Number();
    if (calc.WhereIsLastError() < 1 || calc.WhereIsLastError() > 255 || calc.CalcResult() > TvcFormatError)
        __builtin_trap();
    return 0;
}
