#include "communications/VxExcept.h"

#include "communications/VxErrors.h"
#include "communications/VxStrMap.h"
#include "platform/ui/Classes.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <new>
#include <set>
#include <stdexcept>
#include <string>
#include <typeindex>
#include <typeinfo>

namespace {

// Raises code through CheckException with no component and expects an exception of exactly Leaf,
// caught as Family and as EVEXException too, carrying the code and its table text.
template <typename Leaf, typename Family> void ExpectRaises(int code) {
    SCOPED_TRACE(code);
    try {
        CheckException(nullptr, code);
        ADD_FAILURE() << "returned";
    } catch (const Leaf& e) {
        EXPECT_EQ(typeid(e), typeid(Leaf));
        EXPECT_EQ(e.ErrorCode(), code);
        EXPECT_EQ(e.Message, MessageNumberToString(code));
    }
    EXPECT_THROW(CheckException(nullptr, code), Family);
    EXPECT_THROW(CheckException(nullptr, code), EVEXException);
}

template <typename E> E Caught(int code) {
    try {
        CheckException(nullptr, code);
    } catch (const E& e) {
        return e;
    }
    throw std::logic_error("CheckException did not raise");
}

} // namespace

TEST(VxExcept, VexoLoadStrLooksUpTheMagnitude) {
    struct Case {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {-2, "File not found"},
        {2, "File not found"},
        {9001, "Vexo Error"},
        {13933, "TAPI disabled for 16-bit environments"},
        {-13933, "TAPI disabled for 16-bit environments"},
        {-7, ""}, // no table text, and this system has no text for the number
        {4729, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VexoLoadStr(c.code), c.text) << c.code;
        EXPECT_EQ(ErrorMsg(c.code), c.text) << c.code;
    }
}

TEST(VxExcept, VexoLoadZCopiesZeroTerminated) {
    char buffer[300];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(VexoLoadZ(buffer, 4707), buffer);
    EXPECT_STREQ(buffer, "File skipped ");
    EXPECT_EQ(buffer[14], 'x');

    std::memset(buffer, 'x', sizeof buffer);
    VexoLoadZ(buffer, -7);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'x');
}

TEST(VxExcept, CleanSystemMessage) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"No text for this number.\r\n", "No text for this number. "},
        {"a\t\tb", "a b"},
        {"one   two \r\n three", "one two three"},
        {"  leading", " leading"},
        {"", ""},
        {"\r\n", " "},
        {"caf\xE9 \x80\x9F\r\n", "caf\xE9 \x80\x9F "}, // code-page letters are not control characters
    };
    for (const auto& c : cases) EXPECT_EQ(CleanSystemMessage(c.in), c.out) << c.in;

    // The system text arrives in a 255-character buffer.
    EXPECT_EQ(CleanSystemMessage(std::string(300, 'a')), std::string(255, 'a'));
}

TEST(VxExcept, CheckExceptionRaisesEachFamilysClass) {
    ExpectRaises<EBadArgument, EGeneral>(-1002);
    ExpectRaises<ECannotUseWithWinSock, EGeneral>(-1009);
    ExpectRaises<EBadId, EOpenComm>(-2001);
    ExpectRaises<ENotOpenedByTapi, EOpenComm>(-2012);
    ExpectRaises<EBufferIsEmpty, ESerialIO>(-3007);
    ExpectRaises<EModemStatusMismatch, EModem>(-4008);
    ExpectRaises<EAlreadyDialing, EModem>(-4005);
    ExpectRaises<EBadTriggerHandle, ETrigger>(-5003);
    ExpectRaises<EProtocol, EProtocol>(-6006);
    ExpectRaises<EKeyTooLong, EINI>(-7001);
    ExpectRaises<EFaxBusy, EFax>(-8064);
    ExpectRaises<ETapiAllocated, ETapi>(-13801);
    ExpectRaises<ETapiTranslateFail, ETapi>(-13942);
    ExpectRaises<ERasLoadFail, ERas>(-13980);
}

TEST(VxExcept, ProtocolCodesRaiseTheFamilyNotItsMembers) {
    for (int code : {-6006, -6008, -6009}) ExpectRaises<EProtocol, EProtocol>(code);
}

TEST(VxExcept, InternalServesFourCodes) {
    for (int code : {-1006, -7003, -7006, -7012}) ExpectRaises<EInternal, EGeneral>(code);
}

TEST(VxExcept, FileSystemCodesRaiseTheRunTimesExceptions) {
    const auto memory = Caught<EOutOfMemory>(-8);
    EXPECT_EQ(memory.Message, "Insufficient memory");

    const auto notFound = Caught<EInOutError>(-2);
    EXPECT_EQ(notFound.ErrorCode, 2);
    EXPECT_EQ(notFound.Message, "File not found");

    const auto unlisted = Caught<EInOutError>(-7);
    EXPECT_EQ(unlisted.ErrorCode, 7);
    EXPECT_EQ(unlisted.Message, "");

    const auto last = Caught<EInOutError>(-162);
    EXPECT_EQ(last.ErrorCode, 162);
    EXPECT_EQ(last.Message, "General failure");

    EXPECT_THROW(CheckException(nullptr, -2), Exception);
    try {
        CheckException(nullptr, -5);
    } catch (const EVEXException&) {
        ADD_FAILURE() << "a file-system code is not a library exception";
    } catch (const EInOutError&) {
    }
}

TEST(VxExcept, CodesWithoutAClassRaiseAPlainVexoException) {
    for (int code :
         {-1, -163, -1001, -3002, -4009, -4021, -5501, -5506, -6001, -13934, -9999, -20000, INT_MIN}) {
        SCOPED_TRACE(code);
        const auto e = Caught<EVEXException>(code);
        EXPECT_EQ(typeid(e), typeid(EVEXException));
        EXPECT_EQ(e.Message, "Vexo exception");
        EXPECT_EQ(e.ErrorCode(), 0);
    }
}

TEST(VxExcept, CheckExceptionPassesResultsAndLoadingComponents) {
    for (int code : {0, 1, 4707, 15742, INT_MAX}) EXPECT_EQ(CheckException(nullptr, code), code);

    TComponent component(nullptr);
    EXPECT_THROW(CheckException(&component, ecBadArgument), EBadArgument);
    component.BeginLoading();
    EXPECT_EQ(CheckException(&component, ecBadArgument), ecBadArgument);
    EXPECT_EQ(CheckException(&component, -2), -2);
    EXPECT_EQ(CheckException(&component, -1001), -1001);
    component.EndLoading();
    EXPECT_THROW(CheckException(&component, ecBadArgument), EBadArgument);
}

// Every class-table case, from the same list CheckException is built from.
TEST(VxExcept, EveryMappedCodeRaisesItsClassWithItsText) {
    struct Case {
        int code;
        std::type_index type;
        const char* name;
    };
    const Case cases[] = {
#define VX_RAISES(code, name) {code, typeid(name), #name},
#include "communications/VxMessages.def"
    };
    std::set<int> codes;
    std::set<std::type_index> classes;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        codes.insert(c.code);
        classes.insert(c.type);
        ASSERT_LT(c.code, 0);
        try {
            CheckException(nullptr, c.code);
            ADD_FAILURE() << "returned";
        } catch (const EVEXException& e) {
            EXPECT_EQ(std::type_index(typeid(e)), c.type);
            EXPECT_EQ(e.ErrorCode(), c.code);
            EXPECT_NE(e.Message, "");
            EXPECT_EQ(e.Message, MessageNumberToString(c.code));
        }
    }
    EXPECT_EQ(codes.size(), 166u);
    EXPECT_EQ(classes.size(), 161u);
}

TEST(VxExcept, ConstructorsKeepCodeAndText) {
    const EBadArgument bad(ecBadArgument);
    EXPECT_EQ(bad.ErrorCode(), -1002);
    EXPECT_EQ(bad.Message, "Bad argument passed to function");

    const EVEXException positive(4707);
    EXPECT_EQ(positive.ErrorCode(), 4707);
    EXPECT_EQ(positive.Message, "File skipped ");

    const EVEXException text(std::string("Something odd"));
    EXPECT_EQ(text.ErrorCode(), 0);
    EXPECT_STREQ(text.what(), "Something odd");

    EXPECT_EQ(EVEXException::MapCodeToStringID(-1002), 1002);
    EXPECT_EQ(EVEXException::MapCodeToStringID(9001), 9001);
}

TEST(VxExcept, XlatExceptionMapsBackToCodes) {
    struct Case {
        int raised;
        int translated;
    };
    const Case cases[] = {
        {-1002, -1002}, {-6006, -6006}, {-7012, -7012}, {-13980, -13980}, // kept with their class
        {-2, -2},       {-7, -7},       {-162, -162},                     // EInOutError
        {-8, -8},                                                         // out of memory
        {-1001, 0},     {-1, 0}, // the plain exception drops the code
    };
    for (const auto& c : cases) {
        try {
            CheckException(nullptr, c.raised);
            ADD_FAILURE() << c.raised;
        } catch (const std::exception& e) {
            EXPECT_EQ(XlatException(e), c.translated) << c.raised;
        }
    }
    EXPECT_EQ(XlatException(std::bad_alloc()), -8);
    EXPECT_EQ(XlatException(Exception("other")), -9999);
    EXPECT_EQ(XlatException(std::runtime_error("other")), -9999);
    EXPECT_EQ(XlatException(EVexPagerException(-4, "pager")), -9999);
}

TEST(VxExcept, StreamErrorsCarryTheirPosition) {
    const EVxStreamError stream(12, "Unexpected end");
    EXPECT_EQ(stream.Position(), 12);
    EXPECT_EQ(stream.Message, "Unexpected end");
    EXPECT_EQ(stream.ErrorCode(), 0);

    // The message is the reason in the 8-bit code page; what it cannot hold becomes '?'.
    const EVxFilterError filter(40, 3, 7, u"Bad \u2019x\u00E9\u4E2D\U0001F600.");
    EXPECT_EQ(filter.Position(), 40);
    EXPECT_EQ(filter.Line(), 3);
    EXPECT_EQ(filter.LinePos(), 7);
    EXPECT_EQ(filter.Reason(), u"Bad \u2019x\u00E9\u4E2D\U0001F600.");
    EXPECT_EQ(filter.Message, "Bad \x92x\xE9??.");
    EXPECT_EQ(filter.ErrorCode(), 0);

    const EVxParserError parser(5, 9, u"Missing tag");
    EXPECT_EQ(parser.Position(), 0);
    EXPECT_EQ(parser.Line(), 5);
    EXPECT_EQ(parser.LinePos(), 9);
    EXPECT_EQ(parser.Message, "Missing tag");
    EXPECT_THROW(throw parser, EXML);
}

TEST(VxExcept, PhoneAndPagerExceptionsStandApart) {
    const EVexGSMPhoneException phone(-8311, "SIM PIN required");
    EXPECT_EQ(phone.ErrorCode(), -8311);
    EXPECT_EQ(phone.Message, "SIM PIN required");
    const EVexPagerException pager(4632, "Busy");
    EXPECT_EQ(pager.ErrorCode(), 4632);
    EXPECT_EQ(pager.Message, "Busy");
}

TEST(VxExcept, RaiseTerminalExceptionCreatesTheGivenClass) {
    try {
        RaiseTerminalException(EVxTerminalClass::Of<EVxTermTooLarge>(), ecBufferTooBig);
        ADD_FAILURE() << "returned";
    } catch (const EVxTerminal& e) {
        EXPECT_EQ(typeid(e), typeid(EVxTermTooLarge));
        EXPECT_EQ(e.ErrorCode(), -1004);
        EXPECT_EQ(e.Message, "Terminal buffer greater than 65521");
    }
    EXPECT_THROW(RaiseTerminalException(EVxTerminalClass::Of<EVxTerminal>(), -2), EVxTerminal);
    EXPECT_NE(EVxTerminalClass::Of<EVxTermRangeError>(), EVxTerminalClass::Of<EVxTermInvalidParameter>());
}
