#include "ui/Seqget_FRM.h"

#include "Version.h"
#include "platform/FolderAccess.h"
#include "settings/SettingsConversions.h"
#include "settings/StoredSettings.h"
#include "setup/SampleUrl.h"
#include "ui/DialogPrompter.h"
#include "ui/StatusLine.h"
#include "ui_Seqget_FRM.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QWindow>

using namespace Qt::StringLiterals;

bool Seqget_FRM::DirChanging = false;
bool Seqget_FRM::DriveChanging = false;

Seqget_FRM::Seqget_FRM(DownloadRun &run, std::function<VolumeList()> readVolumes,
                       const StoredSettings &settings, Prompter *prompter, QWidget *parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::Seqget_FRM>())
    , m_run(run)
{
    m_ui->setupUi(this);
    m_ui->Drive1->setVolumeReader(std::move(readVolumes));
    // The directory list shows the way down from the root of the volume the
    // drive list knows for its path.
    connect(m_ui->Drive1, &DriveList::volumesChanged, m_ui->Dir1, &DirectoryList::setVolumes);
    m_ui->Dir1->setVolumes(m_ui->Drive1->volumes());
    for (const JobField &job : jobFields) {
        QLineEdit *box = findChild<QLineEdit *>(u"Text_"_s + job.key);
        // Whatever the store holds comes back whole; by default a line edit
        // cuts a text at 32767 characters, and a save would write the cut.
        box->setMaxLength(maxJobTextLength);
        m_jobBoxes[std::size_t(job.box)] = box;
    }
    if (prompter) {
        m_prompter = prompter;
    } else {
        m_ownPrompter = std::make_unique<DialogPrompter>(this);
        m_prompter = m_ownPrompter.get();
    }
    connect(&m_run, &DownloadRun::stateChanged, this, &Seqget_FRM::showRunState);
    connect(&m_run, &DownloadRun::fileStarted, this, &Seqget_FRM::showFile);

    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/seqget-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/seqget-32.png"), QSize(32, 32));
    setWindowIcon(icon);

    // The controls never move, so the window neither resizes nor maximises.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);

    // The sample box takes drops whole (replacing its text) instead of letting
    // its line edit insert them at the cursor. Its drags and the window's own
    // go through the one event filter.
    m_ui->Combo_url->lineEdit()->setAcceptDrops(false);
    m_ui->Combo_url->installEventFilter(this);
    installEventFilter(this);

    // Before the handlers are connected: the chooser starts at the process's
    // current directory without anything running.
    m_ui->Dir1->setPath(QDir::currentPath());
    m_ui->Drive1->setDrive(m_ui->Dir1->path());

    connectHandlers();
    m_ui->Text_URL->setFocus();
    startUp(settings);
}

// The run outlives the window; its signals die with the window's connections.
Seqget_FRM::~Seqget_FRM() = default;

void Seqget_FRM::connectHandlers()
{
    connect(m_ui->Text_URL, &QLineEdit::textChanged, this, &Seqget_FRM::Text_URL_Change);
    connect(m_ui->Text_FLD, &QLineEdit::textChanged, this, &Seqget_FRM::Text_FLD_Change);
    connect(m_ui->Text_FNTOP, &QLineEdit::textChanged, this, &Seqget_FRM::Text_FNTOP_Change);
    connect(m_ui->Text_EXT, &QLineEdit::textChanged, this, &Seqget_FRM::Text_EXT_Change);
    connect(m_ui->Text_KETA, &QLineEdit::textChanged, this, &Seqget_FRM::Text_KETA_Change);
    connect(m_ui->Text_START, &QLineEdit::textChanged, this, &Seqget_FRM::Text_START_Change);
    connect(m_ui->Text_STOP, &QLineEdit::textChanged, this, &Seqget_FRM::Text_STOP_Change);
    connect(m_ui->Text_PCFLD, &QLineEdit::textChanged, this, &Seqget_FRM::Text_PCFLD_Change);

    connect(m_ui->Command_GET, &QPushButton::clicked, this, &Seqget_FRM::StartStop);
    connect(m_ui->Command_AUTO, &QPushButton::clicked, this, &Seqget_FRM::Command_AUTO_Click);

    connect(m_ui->Dir1, &DirectoryList::pathChanged, this, &Seqget_FRM::Dir1_Change);
    // Apart from the handler, whose guard may return early: the run follows
    // every change of the base directory.
    connect(m_ui->Dir1, &DirectoryList::pathChanged, this, &Seqget_FRM::tellRun);
    connect(m_ui->Drive1, &DriveList::driveChanged, this, &Seqget_FRM::Drive1_Change);
    connect(m_ui->Check_SYNC, &QCheckBox::stateChanged, this, &Seqget_FRM::Check_SYNC_Click);

    connect(m_ui->MenuSave, &QAction::triggered, this, &Seqget_FRM::MenuSave);
    connect(m_ui->MenuEnd, &QAction::triggered, this, &Seqget_FRM::MenuEnd);
    connect(m_ui->MenuAuto, &QAction::triggered, this, &Seqget_FRM::MenuAuto);
    connect(m_ui->MenuProxy, &QAction::triggered, this, &Seqget_FRM::MenuProxy);
    connect(m_ui->MenuBeep, &QAction::triggered, this, &Seqget_FRM::MenuBeep);
    connect(m_ui->MenuLog, &QAction::triggered, this, &Seqget_FRM::MenuLog);
    connect(m_ui->MenuUssage, &QAction::triggered, this, &Seqget_FRM::MenuUssage);
    connect(m_ui->MenuAbout, &QAction::triggered, this, &Seqget_FRM::MenuAbout);
}

QLineEdit *Seqget_FRM::jobBox(JobBox box) const
{
    return m_jobBoxes[std::size_t(box)];
}

// --- Start-up and save ---------------------------------------------------

namespace {
// Positions are kept in twips; the screen counts device-independent pixels.
constexpr double twipsPerPixel = 15.0;

int pixelsOf(qint32 twips)
{
    return qRound(appliedPosition(twips) / twipsPerPixel);
}
} // namespace

// Each step goes through the controls and the menu commands, so their change
// and click handling runs nested inside it, as for a user's change.
void Seqget_FRM::startUp(const StoredSettings &settings)
{
    placeFrame(QPoint(pixelsOf(settings.FORM_LEFT), y()));
    placeFrame(QPoint(x(), pixelsOf(settings.FORM_TOP)));

    for (const JobField &job : jobFields)
        m_state.*job.field = settings.*job.field;
    m_state.SYNC = settings.SYNC;

    m_ui->Dir1->setPath(settings.PCPATH);
    // The directory list's change handling may have moved it; the drive
    // follows the path it shows now, not the one stored.
    m_ui->Drive1->setDrive(m_ui->Dir1->path());

    m_state.AUTO = settings.AUTO;
    m_state.PROXY = settings.PROXY;
    m_state.BEEP = settings.BEEP;
    m_state.LOG = settings.LOG;
    m_state.PROXYIP = settings.PROXYIP;
    m_state.PORT = settings.PORT;

    // Each box's change handling copies the text back into MainState, so the
    // values are read from there one at a time, as each box is set.
    for (const JobField &job : jobFields)
        jobBox(job.box)->setText(m_state.*job.field);

    setSyncValue(m_state.SYNC);

    // The menu commands toggle their flag and set mark and visibility to
    // match; inverting first makes them land on the loaded value.
    m_state.AUTO = !m_state.AUTO;
    MenuAuto();
    // The proxy command would prompt for host and port; the flag is already
    // as loaded, and only its check mark is set.
    m_ui->MenuProxy->setChecked(m_state.PROXY);
    m_state.BEEP = !m_state.BEEP;
    MenuBeep();
    m_state.LOG = !m_state.LOG;
    MenuLog();
}

void Seqget_FRM::placeFrame(const QPoint &topLeft)
{
    move(topLeft);
    m_frameOnShow = topLeft;
}

void Seqget_FRM::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The stored position is the frame's. A move() before the first show says
    // so, but Qt then creates the window, gives it its final size and, as it
    // maps it, hands that size to the native window together with the
    // position, which now counts as the client area's (on X11: static
    // gravity, the title bar above the screen at 0,0). The show event comes
    // after the sizing and just before the mapping: with the native window at
    // its final size here, the frame position set now is what the window
    // manager gets (on X11 through north-west gravity).
    if (m_frameOnShow && windowHandle()) {
        windowHandle()->resize(size());
        windowHandle()->setFramePosition(*m_frameOnShow);
        m_frameOnShow.reset();
    }
}

StoredSettings Seqget_FRM::settings() const
{
    StoredSettings s;
    static_cast<MainState &>(s) = m_state;
    s.FORM_LEFT = storedPosition(x() * twipsPerPixel);
    s.FORM_TOP = storedPosition(y() * twipsPerPixel);
    // Stored as the system writes paths: C:\Users\... on Windows.
    s.PCPATH = QDir::toNativeSeparators(m_ui->Dir1->path());
    return s;
}

// --- Field binding ---------------------------------------------------------

void Seqget_FRM::Text_URL_Change()
{
    copyJobBox(JobBox::URL);
}

void Seqget_FRM::Text_FLD_Change()
{
    copyJobBox(JobBox::FLD);
}

void Seqget_FRM::Text_FNTOP_Change()
{
    copyJobBox(JobBox::FNTOP);
}

void Seqget_FRM::Text_EXT_Change()
{
    copyJobBox(JobBox::EXT);
}

void Seqget_FRM::Text_KETA_Change()
{
    copyJobBox(JobBox::KETA);
}

void Seqget_FRM::Text_START_Change()
{
    copyJobBox(JobBox::START);
}

void Seqget_FRM::Text_STOP_Change()
{
    copyJobBox(JobBox::STOP);
}

void Seqget_FRM::Text_PCFLD_Change()
{
    copyJobBox(JobBox::PCFLD);
}

void Seqget_FRM::copyJobBox(JobBox box)
{
    m_state.*jobField(box).field = jobBox(box)->text();
    tellRun();
}

// --- Download run ----------------------------------------------------------

void Seqget_FRM::StartStop()
{
    // The run starts from the boxes as they read now.
    for (const JobField &job : jobFields)
        m_state.*job.field = jobBox(job.box)->text();
    m_run.StartStop(currentJob());
}

RunJob Seqget_FRM::currentJob() const
{
    return { m_state, m_ui->Dir1->path() };
}

void Seqget_FRM::tellRun()
{
    m_run.jobChanged(currentJob());
}

void Seqget_FRM::showRunState(DownloadRun::State state)
{
    m_ui->Command_GET->setText(state == DownloadRun::State::Idle ? QStringLiteral("START")
                                                                 : QStringLiteral("STOP"));
}

void Seqget_FRM::showFile(const QString &url, const QString &localPath)
{
    m_ui->Label_STS_1->showText(QDir::toNativeSeparators(localPath));
    m_ui->Label_STS_0->showText(url);
}

// --- Easy setup ------------------------------------------------------------

void Seqget_FRM::Command_AUTO_Click()
{
    const SampleUrl sample(m_ui->Combo_url->currentText());
    if (!sample.isAnalysable()) {
        // A paste far longer than any address: nothing can be cut from it,
        // and the job stays as it is.
        m_prompter->showMessage(QStringLiteral("URLを正しく入力して下さい"));
        return;
    }
    if (!sample.hasDot())
        m_prompter->showMessage(QStringLiteral("ファイル名の拡張子まで入力して下さい"));
    m_ui->Text_EXT->setText(sample.extension());
    m_ui->Text_KETA->setText(m_prompter->askText(QStringLiteral("連番桁数を入力して下さい"), {}));
    if (!sample.hasSlash())
        m_prompter->showMessage(QStringLiteral("URLを正しく入力して下さい"));
    // The digit count is read back from its box, as typed there. A field whose
    // length comes out negative is left empty and the analysis goes on.
    m_ui->Text_FNTOP->setText(sample.prefix(m_ui->Text_KETA->text()));
    m_ui->Text_FLD->setText(sample.folder());
    m_ui->Text_URL->setText(sample.baseUrl());
    m_ui->Command_GET->setFocus();
}

void Seqget_FRM::Form_OLEDragDrop(const QMimeData *dropped)
{
    setSampleFromDrop(dropped);
}

void Seqget_FRM::Combo_url_OLEDragDrop(const QMimeData *dropped)
{
    setSampleFromDrop(dropped);
}

void Seqget_FRM::setSampleFromDrop(const QMimeData *dropped)
{
    // A link dragged from a browser comes as text and as a URI list; a file
    // manager may offer only the list. The first entry is the sample.
    QString text;
    if (dropped->hasText())
        text = dropped->text();
    else if (dropped->hasUrls() && !dropped->urls().isEmpty())
        text = dropped->urls().constFirst().toString();
    else
        return;
    m_ui->Combo_url->setEditText(text);
}

// Drags over the window and over the sample box, both filtered here: a text
// or a link is taken as a copy, and the sample box takes it whole instead of
// letting its line edit insert it at the cursor.
bool Seqget_FRM::eventFilter(QObject *watched, QEvent *event)
{
    const bool onSampleBox = watched == m_ui->Combo_url;
    const bool dragEvent = event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove
        || event->type() == QEvent::Drop;
    if (!dragEvent || (!onSampleBox && watched != this))
        return QMainWindow::eventFilter(watched, event);
    auto *drop = static_cast<QDropEvent *>(event);
    const QMimeData *dropped = drop->mimeData();
    if (dropped && (dropped->hasText() || dropped->hasUrls())) {
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        if (event->type() == QEvent::Drop) {
            if (onSampleBox)
                Combo_url_OLEDragDrop(dropped);
            else
                Form_OLEDragDrop(dropped);
        }
    }
    return true;
}

// --- Folder chooser --------------------------------------------------------

void Seqget_FRM::Dir1_Change()
{
    if (DirChanging)
        return;
    DirChanging = true;
    // Only a directory the process could enter moves the drive list along.
    // It is not entered: a process's current directory cannot be renamed,
    // deleted or ejected on Windows while the process runs.
    if (Platform::canEnterFolder(m_ui->Dir1->path()))
        m_ui->Drive1->setDrive(m_ui->Dir1->path());
    DirChanging = false;
}

void Seqget_FRM::Drive1_Change()
{
    if (DriveChanging)
        return;
    DriveChanging = true;
    // A drive change that comes from the directory list following its own
    // path keeps that path; only a drive the user picks opens its root.
    if (!DirChanging) {
        const QString root = m_ui->Drive1->drive();
        if (!m_ui->Dir1->setPath(root)) {
            // The root cannot be opened (a medium missing, no permission):
            // the lists go back to the directory still shown and its drive.
            m_ui->Drive1->setDrive(m_ui->Dir1->path());
        }
    }
    DriveChanging = false;
}

void Seqget_FRM::Check_SYNC_Click()
{
    m_state.SYNC = qint16(syncValue());
    m_ui->Text_PCFLD->setEnabled(syncValue() != 1);
    tellRun();
}

// The box's value as the job counts it: 0 unticked, 1 ticked, 2 the dimmed
// tick. Qt numbers the last two the other way round.
int Seqget_FRM::syncValue() const
{
    switch (m_ui->Check_SYNC->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    }
    return 0;
}

void Seqget_FRM::setSyncValue(int value)
{
    m_ui->Check_SYNC->setCheckState(value == 1       ? Qt::Checked
                                        : value == 2 ? Qt::PartiallyChecked
                                                     : Qt::Unchecked);
}

// --- Settings and Help menus -----------------------------------------------

void Seqget_FRM::MenuSave()
{
    Q_EMIT saveRequested(settings());
}

void Seqget_FRM::MenuEnd()
{
    MenuSave();
    close();
}

void Seqget_FRM::toggleOption(bool &flag, QAction *entry)
{
    flag = !flag;
    entry->setChecked(flag);
}

void Seqget_FRM::MenuAuto()
{
    toggleOption(m_state.AUTO, m_ui->MenuAuto);
    m_ui->Label1_10->setVisible(m_state.AUTO);
    m_ui->Combo_url->setVisible(m_state.AUTO);
    m_ui->Command_AUTO->setVisible(m_state.AUTO);
}

void Seqget_FRM::MenuProxy()
{
    toggleOption(m_state.PROXY, m_ui->MenuProxy);
    if (!m_state.PROXY)
        return;
    m_state.PROXYIP
        = m_prompter->askText(QStringLiteral("プロキシサーバーＩＰアドレス"), m_state.PROXYIP);
    m_state.PORT = m_prompter->askText(QStringLiteral("プロキシ用HTTPポート"), m_state.PORT);
}

void Seqget_FRM::MenuBeep()
{
    toggleOption(m_state.BEEP, m_ui->MenuBeep);
    tellRun();
}

void Seqget_FRM::MenuLog()
{
    toggleOption(m_state.LOG, m_ui->MenuLog);
    tellRun();
}

namespace {

// Where the usage page is looked for, first match wins: beside the program
// (a build or an unpacked zip), or where the package installs it.
QStringList usagePageCandidates()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    return { programFolder + QStringLiteral("/usage/index.html"),
             programFolder + QStringLiteral("/../share/seqget/usage/index.html") };
}

QString aboutText()
{
    return QStringLiteral("Seqget " SEQGET_DISPLAY_VERSION) + QChar(0x3000)
        + QStringLiteral(
               "フリーソフト\r\n連番ファイル ダウンローダー\r\n作者: Seqget 開発チーム\r\n");
}

} // namespace

void Seqget_FRM::MenuUssage()
{
    // The page is installed with the program so that it opens offline; when
    // it is missing or no browser starts, nothing happens.
    for (const QString &candidate : usagePageCandidates()) {
        if (QFileInfo(candidate).isFile()) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(candidate).absoluteFilePath()));
            return;
        }
    }
}

void Seqget_FRM::MenuAbout()
{
    m_prompter->showMessage(aboutText());
}
