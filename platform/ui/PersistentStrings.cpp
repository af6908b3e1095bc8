#include "platform/ui/PersistentStrings.h"

#include "platform/ui/Filer.h"

TPersistentStrings::TPersistentStrings(TStringList* List)
    : get_([List] {
          std::vector<std::string> lines;
          for (int i = 0; i < List->Count(); ++i) lines.push_back(List->Strings(i));
          return lines;
      }),
      set_([List](const std::vector<std::string>& lines) {
          List->BeginUpdate();
          List->Clear();
          for (const std::string& line : lines) List->Add(line);
          List->EndUpdate();
      }) {}

void TPersistentStrings::Assign(const TPersistent* Source) {
    if (const auto* other = dynamic_cast<const TPersistentStrings*>(Source)) {
        if (other != this) SetLines(other->Lines());
        return;
    }
    TPersistent::Assign(Source);
}

void TPersistentStrings::DefineProperties(TFiler* Filer) {
    Filer->DefineProperty(
        "Strings",
        [this](TReader* reader) {
            std::vector<std::string> lines;
            reader->ReadListBegin();
            while (!reader->EndOfList()) lines.push_back(reader->ReadString());
            reader->ReadListEnd();
            SetLines(lines);
        },
        [this](TWriter* writer) {
            writer->WriteListBegin();
            for (const std::string& line : Lines()) writer->WriteString(line);
            writer->WriteListEnd();
        },
        !Lines().empty());
}
