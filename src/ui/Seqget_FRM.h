#pragma once

#include "job/JobBox.h"
#include "job/MainState.h"
#include "run/DownloadRun.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class Prompter;
class QAction;
class QLineEdit;
class QMimeData;
class QShowEvent;
class VolumeList;
struct StoredSettings;

namespace Ui {
class Seqget_FRM;
}

// The program's one window: the job boxes mirrored into MainState, the START
// button that hands the job to a download run and shows what the run says,
// the easy setup, the folder chooser and the menus.
class Seqget_FRM final : public QMainWindow
{
    Q_OBJECT

public:
    // Start-up applies settings before the window is first shown. The run,
    // which must outlive the window, is what START drives; the volumes the
    // folder chooser offers come from readVolumes. Dialogs go through
    // prompter; without one, real modal dialogs are used.
    Seqget_FRM(DownloadRun &run, std::function<VolumeList()> readVolumes,
               const StoredSettings &settings, Prompter *prompter = nullptr,
               QWidget *parent = nullptr);
    ~Seqget_FRM() override;

    const MainState &mainState() const { return m_state; }
    // What the save command stores: MainState, the directory list's path and
    // the window's position as they stand.
    StoredSettings settings() const;

Q_SIGNALS:
    // The save command (also the first step of the exit command).
    void saveRequested(const StoredSettings &settings);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private Q_SLOTS:
    // Handlers, named after their control and event.
    void Text_URL_Change();
    void Text_FLD_Change();
    void Text_FNTOP_Change();
    void Text_EXT_Change();
    void Text_KETA_Change();
    void Text_START_Change();
    void Text_STOP_Change();
    void Text_PCFLD_Change();
    void StartStop();
    void Command_AUTO_Click();
    void Dir1_Change();
    void Drive1_Change();
    void Check_SYNC_Click();
    void MenuSave();
    void MenuEnd();
    void MenuAuto();
    void MenuProxy();
    void MenuBeep();
    void MenuLog();
    void MenuUssage();
    void MenuAbout();

private:
    void Form_OLEDragDrop(const QMimeData *dropped);
    void Combo_url_OLEDragDrop(const QMimeData *dropped);
    void connectHandlers();
    void startUp(const StoredSettings &settings);
    void placeFrame(const QPoint &topLeft);
    QLineEdit *jobBox(JobBox box) const;
    // Folder sync: 0 unticked, 1 ticked, 2 dimmed tick (only code sets it).
    int syncValue() const;
    void setSyncValue(int value);
    // The change handling shared by the eight job boxes.
    void copyJobBox(JobBox box);
    // Hands the job as it now stands to the run, after every edit.
    void tellRun();
    RunJob currentJob() const;
    void showRunState(DownloadRun::State state);
    void showFile(const QString &url, const QString &localPath);
    void setSampleFromDrop(const QMimeData *dropped);
    // The option toggle shared by the four Settings entries.
    static void toggleOption(bool &flag, QAction *entry);

    // Guards of the folder chooser's two lists against endless ping-pong;
    // each is true only while its own handler runs.
    static bool DirChanging;
    static bool DriveChanging;

    std::unique_ptr<Ui::Seqget_FRM> m_ui;
    std::array<QLineEdit *, jobBoxCount> m_jobBoxes {};
    MainState m_state;
    DownloadRun &m_run;
    std::unique_ptr<Prompter> m_ownPrompter;
    Prompter *m_prompter = nullptr;
    // Where the frame goes when the window is first shown; see showEvent.
    std::optional<QPoint> m_frameOnShow;
};
