// The commands an emulator carries out on its screen buffer (TVxEmuCommand), their parameters and
// the lists that an OnProcessChar handler or the application fills with them.
//
// A parameter is found by its exact name (case counts), else by its position, else its default
// applies; a value that does not convert gives the default as well.
#pragma once

#include "platform/ui/Classes.h"
#include "platform/ui/Graphics.h"

#include <memory>
#include <string>
#include <vector>

enum TVxEmuCommand {
    ecNone,
    ecBell,
    ecBackspace,
    ecTabHorz,
    ecLF,
    ecCR,
    ecBackTabHorz,
    ecCursorDown,
    ecCursorLeft,
    ecCursorRight,
    ecCursorUp,
    ecCursorPos,
    ecDeleteChars,
    ecDeleteLines,
    ecInsertChars,
    ecInsertLines,
    ecEraseAll,
    ecEraseChars,
    ecEraseFromBOW,
    ecEraseFromBOL,
    ecEraseLine,
    ecEraseScreen,
    ecEraseToEOL,
    ecEraseToEOW,
    ecSetHorzTabStop,
    ecClearHorzTabStop,
    ecClearVertTabStop,
    ecClearAllHorzTabStops,
    ecSetVertTabStop,
    ecClearAllVertTabStops,
    ecSetScrollRegion,
    ecTabVert,
    ecBackTabVert,
    ecBackColor,
    ecForeColor,
    ecAbsAddress,
    ecNoAbsAddress,
    ecAutoWrap,
    ecNoAutoWrap,
    ecAutoWrapDelay,
    ecNoAutoWrapDelay,
    ecInsertMode,
    ecNoInsertMode,
    ecNewLineMode,
    ecNoNewLineMode,
    ecScrollRegion,
    ecNoScrollRegion,
    ecSetCharAttr,
    ecAddBold,
    ecBoldOnly,
    ecRemoveBold,
    ecInvertBold,
    ecAddUnderline,
    ecUnderlineOnly,
    ecRemoveUnderline,
    ecInvertUnderline,
    ecAddStrikethrough,
    ecStrikethroughOnly,
    ecRemoveStrikethrough,
    ecInvertStrikethrough,
    ecAddBlink,
    ecBlinkOnly,
    ecRemoveBlink,
    ecInvertBlink,
    ecAddReverse,
    ecReverseOnly,
    ecRemoveReverse,
    ecInvertReverse,
    ecAddInvisible,
    ecInvisibleOnly,
    ecRemoveInvisible,
    ecInvertInvisible,
    ecAddSelected,
    ecRemoveSelected,
    ecSelectedOnly,
    ecInvertSelected,
    ecRemoveAllAttr,
    ecRemoveAllAttrIgnoreSelect,
    ecClearAndHome,
    ecHome,
    ecCursorEOL,
    ecCursorBOL,
    ecCursorTop,
    ecCursorBottom,
    ecWriteString,
    ecColor,
    ecSaveCursorPos,
    ecRestoreCursorPos,
    ecDeviceAttributesReport,
    ecNEL,
    ecReset,
    ecAnswerback,
    ecDECALN,
    ecDeviceStatusReport,
    ecCursorOff,
    ecCursorUnderline,
    ecCursorBlock
};

class TVxEmuCommandParamsItem : public TPersistent {
public:
    std::string Name;
    std::string Value;
};

class TVxEmuCommandParams : public TPersistent {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TVxEmuCommandParamsItem* Items(int Index) const { return FItems.at(static_cast<std::size_t>(Index)).get(); }
    TVxEmuCommandParamsItem* Add();
    void Clear() { FItems.clear(); }

    // The index of the first item named exactly Name; -1 when none or Name is empty.
    int FindName(const std::string& Name) const;
    // "t", "true", "1", "on", "yes" and "f", "false", "0", "off", "no" in any case.
    bool GetBooleanValue(const std::string& Name, int Index, bool Default) const;
    // Decimal integers.
    int GetIntegerValue(const std::string& Name, int Index, int Default) const;
    std::string GetStringValue(const std::string& Name, int Index, const std::string& Default) const;
    TColor GetTColorValue(const std::string& Name, int Index, TColor Default) const;

private:
    const TVxEmuCommandParamsItem* Find(const std::string& Name, int Index) const;
    std::vector<std::unique_ptr<TVxEmuCommandParamsItem>> FItems;
};

class TVxEmuCommandListItem : public TPersistent {
public:
    TVxEmuCommand Command = ecNone;
    TVxEmuCommandParams* Params() { return &FParams; }

    void AddBooleanArg(bool Value);
    void AddIntegerArg(int Value);
    void AddStringArg(const std::string& Value);
    void AddTColorArg(TColor Value);
    void AddNamedBooleanArg(const std::string& Name, bool Value);
    void AddNamedIntegerArg(const std::string& Name, int Value);
    void AddNamedStringArg(const std::string& Name, const std::string& Value);
    void AddNamedTColorArg(const std::string& Name, TColor Value);

private:
    TVxEmuCommandParams FParams;
};

class TVxEmuCommandList : public TPersistent {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TVxEmuCommandListItem* Items(int Index) const { return FItems.at(static_cast<std::size_t>(Index)).get(); }
    // Appends an item for the command and returns it, for its parameters.
    TVxEmuCommandListItem* AddCommand(TVxEmuCommand Command);
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TVxEmuCommandListItem>> FItems;
};
