#pragma once
// The application object's windows: every window is created once, before any
// is shown, and lives until the program ends. The events log, the engine
// history and the error window exist before the main window's start-up
// routine runs, so that failures and log lines of start-up reach them.
#include "engine/EngineServices.h"

#include <QStringList>

#include <memory>

class TAboutForm;
class TClipForm;
class TConvForm;
class TCropForm;
class TDVDInfoForm;
class TEngineLogHistory;
class TErrorForm;
class TErrorReporter;
class TEventsLog;
class TFileInfoForm;
class TLogForm;
class TMainForm;
class TWaitForm;
class Tproform;
class Tsettingsform;

class TApplicationWindows {
public:
    // `arguments`: the command line without the program name; `programFolder`
    // (with a trailing "/") holds the skin, the catalogue and LibAV. The
    // windows' players and encoder use `engine`'s services.
    TApplicationWindows(const vidrelo::TEngineServices& engine, const QStringList& arguments,
                        const QString& programFolder);
    ~TApplicationWindows();

    // Runs the main window's start-up routine and shows it.
    void Start();

    TMainForm& MainForm() { return *FMainForm; }
    TConvForm& ConvForm() { return *FConvForm; }
    TEventsLog& EventsLog() { return *FEventsLog; }
    TEngineLogHistory& EngineLogHistory() { return *FEngineLogHistory; }
    TErrorReporter& Reporter() { return *FReporter; }

private:
    std::unique_ptr<TEventsLog> FEventsLog;
    std::unique_ptr<TEngineLogHistory> FEngineLogHistory;
    std::unique_ptr<TErrorForm> FErrorForm;
    std::unique_ptr<TLogForm> FLogForm;
    std::unique_ptr<TErrorReporter> FReporter;
    std::unique_ptr<TMainForm> FMainForm;
    std::unique_ptr<Tproform> Fproform;
    std::unique_ptr<Tsettingsform> Fsettingsform;
    std::unique_ptr<TClipForm> FClipForm;
    std::unique_ptr<TCropForm> FCropForm;
    std::unique_ptr<TConvForm> FConvForm;
    std::unique_ptr<TAboutForm> FAboutForm;
    std::unique_ptr<TFileInfoForm> FFileInfoForm;
    std::unique_ptr<TWaitForm> FWaitForm;
    std::unique_ptr<TDVDInfoForm> FDVDInfoForm;
};
