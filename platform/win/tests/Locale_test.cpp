#include "platform/win/Locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Sets LC_ALL for one test and puts the old value back.
class LocaleEnv {
public:
    explicit LocaleEnv(const char* name) {
        if (const char* old = std::getenv("LC_ALL")) saved_ = old, had_ = true;
        ::setenv("LC_ALL", name, 1);
    }
    ~LocaleEnv() {
        if (had_)
            ::setenv("LC_ALL", saved_.c_str(), 1);
        else
            ::unsetenv("LC_ALL");
    }
    LocaleEnv(const LocaleEnv&) = delete;
    LocaleEnv& operator=(const LocaleEnv&) = delete;

private:
    std::string saved_;
    bool had_ = false;
};

} // namespace

TEST(GetLocaleInfo, LocaleIdsFromNames) {
    const struct {
        const char* name;
        LCID id;
    } cases[] = {{"en_US.UTF-8", 0x0409}, {"de_DE.UTF-8", 0x0407}, {"de_CH", 0x0807}, {"de_LU.UTF-8", 0x0407},
                 {"fr_BE@euro", 0x040C},  {"C", 0x0409},           {"POSIX", 0x0409}, {"", 0x0409}};
    for (const auto& c : cases) EXPECT_EQ(LocaleNameToLCID(c.name), c.id) << c.name;
    LocaleEnv env("de_DE.UTF-8");
    EXPECT_EQ(GetThreadLocale(), 0x0407u);
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0407);
}

TEST(GetLocaleInfo, TheCLocaleAnswersInTheSystemsForms) {
    LocaleEnv env("C");
    const struct {
        LCTYPE type;
        const char* text;
    } cases[] = {{LOCALE_SDECIMAL, "."},        {LOCALE_SSHORTDATE, "MM/dd/yy"}, {LOCALE_STIMEFORMAT, "HH:mm:ss"},
                 {LOCALE_SDATE, "/"},           {LOCALE_STIME, ":"},            {LOCALE_ITIME, "1"},
                 {LOCALE_S1159, "AM"},          {LOCALE_S2359, "PM"},           {LOCALE_SLIST, ","},
                 {LOCALE_ICALENDARTYPE, "1"},   {LOCALE_SNEGATIVESIGN, "-"},   
                 {LOCALE_SLONGDATE, "dddd, MMMM d, yyyy"}};
    for (const auto& c : cases) EXPECT_EQ(GetLocaleStr(GetThreadLocale(), c.type, "Hallo"), c.text) << c.type;
    EXPECT_EQ(GetLocaleStr(GetThreadLocale(), 0, "Hallo"), "Hallo");
    EXPECT_EQ(GetLocaleInfo(0, LOCALE_SSHORTDATE, nullptr, 0), 9) << "the size needed";
    char small[4];
    EXPECT_EQ(GetLocaleInfo(0, LOCALE_SSHORTDATE, small, sizeof small), 0);
}
