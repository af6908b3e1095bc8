// Unit Progress: the upload progress window.
#pragma once

#include "platform/ui/ComCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

class TProgressForm : public TForm {
public:
    explicit TProgressForm(TComponent* AOwner);
    ~TProgressForm() override;

    TLabel* Label1;
    TProgressBar* FileProgressBar;
    TLabel* FileNameTitle;
    TLabel* BlockNameLabel;
    TLabel* FileSizeTitle;
    TLabel* FileSizeLabel;
    TLabel* ChecksumTitle;
    TLabel* ChecksumLabel;
    TLabel* LoadAddressTitle;
    TLabel* LoadAddressLabel;
    TLabel* DateModifiedTitle;
    TLabel* DateModifiedLabel;
    TLabel* FilePathTitle;
    TLabel* FilePathLabel;
    TButton* CancelButton;

    // 1: cancel the running upload and script.
    int AbortFlag = 0;

    void ShowProgressForm(int Blocks);
    void HideProgressForm();
    void CancelButtonClick(TObject* Sender);

private:
    TLabel* NewLabel(const char* Name, const std::string& Caption, int Left, int Top);
};

extern TProgressForm* ProgressForm;
