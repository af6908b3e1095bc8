#include "loader/Progress.h"

#include "loader/MainUnit.h"
#include "platform/rtl/Strings.h"
#include "platform/ui/TypInfo.h"

TProgressForm* ProgressForm = nullptr;

TProgressForm::TProgressForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetName("ProgressForm");
    SetCaption("Pellory Research Inc. :- File Upload Progress");
    SetBorderStyle(bsToolWindow);
    SetBorderIcons({});
    SetPosition(poDesigned);
    SetBounds(0, 0, Width(), Height());
    SetClientSize(430, 154);

    Label1 = NewLabel("Label1", "TRANSFER STATUS ", 150, 6);
    Label1->Font()->SetStyle({fsBold});
    FileProgressBar = new TProgressBar(this);
    FileProgressBar->SetName("FileProgressBar");
    FileProgressBar->SetBounds(8, 26, 414, 18);
    FileProgressBar->SetMin(0);
    FileProgressBar->SetMax(100);
    FileProgressBar->Step = 1;
    FileProgressBar->SetParent(this);
    FileNameTitle = NewLabel("FileNameTitle", "File Name : ", 8, 54);
    BlockNameLabel = NewLabel("BlockNameLabel", "", 96, 54);
    FileSizeTitle = NewLabel("FileSizeTitle", "File Size", 8, 74);
    FileSizeLabel = NewLabel("FileSizeLabel", "", 96, 74);
    ChecksumTitle = NewLabel("ChecksumTitle", "Checksum :", 220, 74);
    ChecksumLabel = NewLabel("ChecksumLabel", "", 320, 74);
    LoadAddressTitle = NewLabel("LoadAddressTitle", "Load Address :", 8, 94);
    LoadAddressLabel = NewLabel("LoadAddressLabel", "", 96, 94);
    DateModifiedTitle = NewLabel("DateModifiedTitle", "Date Modified:", 220, 94);
    DateModifiedLabel = NewLabel("DateModifiedLabel", "", 320, 94);
    FilePathTitle = NewLabel("FilePathTitle", "File Path :", 8, 114);
    FilePathTitle->SetVisible(false);
    FilePathLabel = NewLabel("FilePathLabel", "", 96, 114);
    FilePathLabel->SetVisible(false);
    CancelButton = new TButton(this);
    CancelButton->SetName("CancelButton");
    CancelButton->SetCaption("Cancel");
    CancelButton->SetBounds(176, 124, 75, 25);
    CancelButton->SetVisible(false);
    CancelButton->SetEnabled(false);
    CancelButton->OnClick = TNotifyEvent::Bind<&TProgressForm::CancelButtonClick>(this);
    CancelButton->SetParent(this);
    EndLoading();
}

TProgressForm::~TProgressForm() {
    if (ProgressForm == this) ProgressForm = nullptr;
}

TLabel* TProgressForm::NewLabel(const char* Name, const std::string& Caption, int Left, int Top) {
    auto* label = new TLabel(this);
    label->SetName(Name);
    label->SetCaption(Caption);
    label->SetLeft(Left);
    label->SetTop(Top);
    label->SetParent(this);
    return label;
}

void TProgressForm::ShowProgressForm(int Blocks) {
    AbortFlag = 0;
    Show();
    BlockNameLabel->SetCaption(QuillonForm->UploadFile);
    ChecksumLabel->SetCaption(IntToHex(QuillonForm->FileChecksum, 0));
    LoadAddressLabel->SetCaption(QuillonForm->LoadAddress);
    FileSizeLabel->SetCaption(IntToStr(QuillonForm->FileSize));
    DateModifiedLabel->SetCaption(QuillonForm->VersionText);
    FileProgressBar->SetMax(Blocks > 0 ? Blocks : 1);
    Application->ProcessMessages();
}

void TProgressForm::HideProgressForm() {
    FileProgressBar->SetPosition(0);
    if (Visible()) Hide();
    Application->ProcessMessages();
}

void TProgressForm::CancelButtonClick(TObject*) {
    AbortFlag = 1;
}

// --- Published methods ----------------------------------------------------------------------------

namespace {

// The handlers by name, so that the form's components stream their events as their handlers' names.
const bool kMethodsPublished = [] {
    using namespace published;
    using F = TProgressForm;
    PublishMethods<F, TForm>({
        Method<&F::CancelButtonClick>("CancelButtonClick"),
    });
    return true;
}();

} // namespace
