#pragma once

#include "core/MainState.h"
#include "core/RunView.h"
#include "settings/SettingsWindow.h"

#include <QMainWindow>
#include <array>
#include <memory>
#include <optional>

class DownloadRun;
class Prompter;
class QAction;
class QLabel;
class QLineEdit;
class QMimeData;
class QShowEvent;
class RunPlatform;
class SettingsStore;
class StatusLine;

namespace Ui {
class Seqget_FRM;
}

// The program's one window: the job boxes mirrored into MainState, the START
// button behind which a download run works, the easy setup, the folder
// chooser and the menus.
class Seqget_FRM final : public QMainWindow, public RunView, public SettingsWindow
{
    Q_OBJECT

public:
    // Dialogs go through prompter; without one, real modal dialogs are used.
    // With a store, start-up loads it into the window before it is shown, and
    // the File menu saves to it; without one the window keeps its design-time
    // values and saves nothing.
    explicit Seqget_FRM(Prompter *prompter = nullptr, SettingsStore *store = nullptr,
                        QWidget *parent = nullptr);
    ~Seqget_FRM() override;

    MainState &mainState() override { return m_state; }
    const MainState &mainState() const { return m_state; }

    // The indexed label groups: Label1(0..7, 10) and Label_STS(0..1).
    QLabel *Label1(int index) const;
    StatusLine *Label_STS(int index) const;
    QLineEdit *jobBox(JobBox box) const;

    // RunView
    QString jobText(JobBox box) const override;
    void setButtonCaption(const QString &caption) override;
    void setStatusText(int index, const QString &text) override;
    QString statusText(int index) const override;
    QString baseDirectory() const override;

    // SettingsWindow
    double leftTwips() const override;
    void setLeftTwips(double twips) override;
    double topTwips() const override;
    void setTopTwips(double twips) override;
    QString dir1Path() const override;
    void setDir1Path(const QString &path) override;
    void setDrive1ToDriveOf(const QString &path) override;
    void setJobBoxText(JobBox box, const QString &text) override;
    void setCheckSyncValue(qint16 value) override;
    void setMenuProxyChecked(bool checked) override;

    // Folder sync: 0 unticked, 1 ticked, 2 dimmed tick (only code sets it).
    int syncValue() const;
    void setSyncValue(int value);

    // Guards of the folder chooser's two lists against endless ping-pong;
    // each is true only while its own handler runs.
    static bool DirChanging;
    static bool DriveChanging;

    // Where the usage page is looked for, first match wins.
    static QStringList usagePageCandidates();
    static QString aboutText();

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
    void Form_OLEDragDrop(const QMimeData *dropped);
    void Combo_url_OLEDragDrop(const QMimeData *dropped);
    void Dir1_Change();
    void Drive1_Change();
    void Check_SYNC_Click();
    void MenuSave();
    void MenuEnd();
    void MenuAuto() override;
    void MenuProxy();
    void MenuBeep() override;
    void MenuLog() override;
    void MenuUssage();
    void MenuAbout();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void connectHandlers();
    void placeFrame(const QPoint &topLeft);
    // The change handling shared by the eight job boxes.
    void copyJobBox(JobBox box);
    void setSampleFromDrop(const QMimeData *dropped);
    // The option toggle shared by the four Settings entries.
    static void toggleOption(bool &flag, QAction *entry);

    std::unique_ptr<Ui::Seqget_FRM> m_ui;
    std::array<QLineEdit *, jobBoxCount> m_jobBoxes {};
    MainState m_state;
    std::unique_ptr<Prompter> m_ownPrompter;
    Prompter *m_prompter = nullptr;
    SettingsStore *m_store = nullptr;
    // Where the frame goes when the window is first shown; see showEvent.
    std::optional<QPoint> m_frameOnShow;
    std::unique_ptr<RunPlatform> m_platform;
    std::unique_ptr<DownloadRun> m_run;
};
