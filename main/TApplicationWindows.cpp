#include "main/TApplicationWindows.h"

#include "catalogue/Tproform.h"
#include "catalogue/Tsettingsform.h"
#include "diagnostics/ReportError.h"
#include "diagnostics/TEngineLogHistory.h"
#include "diagnostics/TErrorForm.h"
#include "diagnostics/TErrorReporter.h"
#include "diagnostics/TEventsLog.h"
#include "diagnostics/TLogForm.h"
#include "editing/TClipForm.h"
#include "editing/TCropForm.h"
#include "main/TAboutForm.h"
#include "main/TConvForm.h"
#include "main/TMainForm.h"
#include "main/TMemoForm.h"
#include "main/TWaitForm.h"

TApplicationWindows::TApplicationWindows(const vidrelo::TEngineServices& engine, const QStringList& arguments,
                                         const QString& programFolder)
    : FEventsLog(std::make_unique<TEventsLog>()),
      FEngineLogHistory(std::make_unique<TEngineLogHistory>()),
      FErrorForm(std::make_unique<TErrorForm>()),
      FLogForm(std::make_unique<TLogForm>(*FEventsLog)),
      FReporter(std::make_unique<TErrorReporter>(*FEngineLogHistory, *FEventsLog))
{
    FReporter->UseErrorForm(*FErrorForm);
    InstallErrorReporter(FReporter.get());

    TMainFormServices services{*FEventsLog, *FEngineLogHistory, *FLogForm, arguments.value(0), programFolder, engine};
    FMainForm = std::make_unique<TMainForm>(services);
    Fproform = std::make_unique<Tproform>(FMainForm.get(), programFolder);
    Fsettingsform = std::make_unique<Tsettingsform>(FMainForm.get());
    FClipForm = std::make_unique<TClipForm>(engine, FMainForm.get());
    FCropForm = std::make_unique<TCropForm>(engine, FMainForm.get());
    FConvForm = std::make_unique<TConvForm>(FMainForm.get());
    FAboutForm = std::make_unique<TAboutForm>(FMainForm.get());
    FFileInfoForm = std::make_unique<TFileInfoForm>(FMainForm.get());
    FWaitForm = std::make_unique<TWaitForm>(FMainForm.get());
    FDVDInfoForm = std::make_unique<TDVDInfoForm>(FMainForm.get());
    FMainForm->SetAboutForm(FAboutForm.get());
    FMainForm->SetDiscForms(FWaitForm.get(), FDVDInfoForm.get());
    FMainForm->SetConvForm(FConvForm.get());
    FMainForm->SetProfileForms(Fproform.get(), Fsettingsform.get());
    FMainForm->SetCropForm(FCropForm.get());
    FMainForm->SetClipForm(FClipForm.get());
}

TApplicationWindows::~TApplicationWindows()
{
    // Members go in reverse order: the dialogs (children of the main window)
    // before the main window, the main window before the reporter and logs.
    InstallErrorReporter(nullptr);
}

void TApplicationWindows::Start()
{
    FMainForm->FormCreate();
    FMainForm->show();
}
