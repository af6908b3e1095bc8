#include "communications/VXTrmCmd.h"

#include "platform/rtl/Strings.h"

TVxEmuCommandParamsItem* TVxEmuCommandParams::Add() {
    FItems.push_back(std::make_unique<TVxEmuCommandParamsItem>());
    return FItems.back().get();
}

int TVxEmuCommandParams::FindName(const std::string& Name) const {
    if (Name.empty()) return -1;
    for (int i = 0; i < Count(); ++i)
        if (FItems[static_cast<std::size_t>(i)]->Name == Name) return i;
    return -1;
}

const TVxEmuCommandParamsItem* TVxEmuCommandParams::Find(const std::string& Name, int Index) const {
    int i = FindName(Name);
    if (i < 0) i = Index;
    return i >= 0 && i < Count() ? FItems[static_cast<std::size_t>(i)].get() : nullptr;
}

bool TVxEmuCommandParams::GetBooleanValue(const std::string& Name, int Index, bool Default) const {
    const TVxEmuCommandParamsItem* item = Find(Name, Index);
    if (!item) return Default;
    const std::string v = LowerCase(item->Value);
    if (v == "t" || v == "true" || v == "1" || v == "on" || v == "yes") return true;
    if (v == "f" || v == "false" || v == "0" || v == "off" || v == "no") return false;
    return Default;
}

int TVxEmuCommandParams::GetIntegerValue(const std::string& Name, int Index, int Default) const {
    const TVxEmuCommandParamsItem* item = Find(Name, Index);
    return item ? StrToIntDef(item->Value, Default) : Default;
}

std::string TVxEmuCommandParams::GetStringValue(const std::string& Name, int Index,
                                                const std::string& Default) const {
    const TVxEmuCommandParamsItem* item = Find(Name, Index);
    return item ? item->Value : Default;
}

TColor TVxEmuCommandParams::GetTColorValue(const std::string& Name, int Index, TColor Default) const {
    return GetIntegerValue(Name, Index, Default);
}

void TVxEmuCommandListItem::AddNamedStringArg(const std::string& Name, const std::string& Value) {
    TVxEmuCommandParamsItem* item = FParams.Add();
    item->Name = Name;
    item->Value = Value;
}

void TVxEmuCommandListItem::AddNamedBooleanArg(const std::string& Name, bool Value) {
    AddNamedStringArg(Name, Value ? "TRUE" : "FALSE");
}

void TVxEmuCommandListItem::AddNamedIntegerArg(const std::string& Name, int Value) {
    AddNamedStringArg(Name, IntToStr(Value));
}

void TVxEmuCommandListItem::AddNamedTColorArg(const std::string& Name, TColor Value) {
    AddNamedStringArg(Name, IntToStr(Value));
}

void TVxEmuCommandListItem::AddBooleanArg(bool Value) {
    AddNamedBooleanArg("", Value);
}

void TVxEmuCommandListItem::AddIntegerArg(int Value) {
    AddNamedIntegerArg("", Value);
}

void TVxEmuCommandListItem::AddStringArg(const std::string& Value) {
    AddNamedStringArg("", Value);
}

void TVxEmuCommandListItem::AddTColorArg(TColor Value) {
    AddNamedTColorArg("", Value);
}

TVxEmuCommandListItem* TVxEmuCommandList::AddCommand(TVxEmuCommand Command) {
    FItems.push_back(std::make_unique<TVxEmuCommandListItem>());
    FItems.back()->Command = Command;
    return FItems.back().get();
}
