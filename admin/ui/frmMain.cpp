#include "frmMain.h"

#include "AddressBook.h"
#include "AddressExport.h"
#include "AddressListModel.h"
#include "frmImport.h"
#include "Database.h"
#include "AddressLatencyColumns.h"
#include "FormatGrid.h"
#include "Prompts.h"
#include "OptionsStore.h"
#include "OutageExport.h"
#include "OutageLog.h"
#include "OutageLogModel.h"
#include "ProgramLauncher.h"
#include "Twips.h"
#include "WidestValues.h"
#include "frmAdd.h"
#include "frmClearLog.h"
#include "frmAvailability.h"
#include "DatabaseThread.h"
#include "frmDel.h"
#include "frmEdAdr.h"
#include "frmAlerts.h"
#include "frmOpt.h"
#include "mouse_scroll.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressDialog>
#include <QStatusBar>
#include <QToolButton>
#include <QThread>
#include <QPainter>

#include <limits>

namespace admin {

static const QString Title = QStringLiteral("Orvant Admin");

// The program's icon, drawn rather than shipped: a host with a signal arc.
static QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal u = size / 16.0;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1f, 0x5f, 0xa8));
        p.drawRoundedRect(QRectF(1 * u, 6 * u, 14 * u, 9 * u), 1.5 * u, 1.5 * u);
        p.setBrush(QColor(0x3c, 0xb0, 0x43));
        p.drawEllipse(QRectF(10.5 * u, 10 * u, 3 * u, 3 * u));
        QPen arc(QColor(0x1f, 0x5f, 0xa8), 1.5 * u);
        p.setPen(arc);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4 * u, 1 * u, 8 * u, 8 * u), 30 * 16, 120 * 16);
        icon.addPixmap(pixmap);
    }
    return icon;
}

frmMain::frmMain(Prompts &prompts, ProgramLauncher &launcher, const QString &programDirectory,
                 QWidget *parent)
    : QMainWindow(parent)
    , m_prompts(prompts)
    , m_launcher(launcher)
    , m_programDirectory(programDirectory)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Orvant Admin v2.0.1"));
    setWindowIcon(programIcon());
    // A fixed single border without minimise and maximise boxes.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);

    m_txtLog = new FormatGrid(this);
    m_txtLog->setObjectName(QStringLiteral("txtLog"));
    m_txtLog->setFixedFirstColumn(true);
    setCentralWidget(m_txtLog);
    m_log = new OutageLogModel(this);
    m_addresses = new AddressListModel(this);
    m_addressFilterModel = new AddressFilterModel(this);
    m_addressFilterModel->setSourceModel(m_addresses);
    // Queued: a page is read while the view lays itself out; the message
    // box must not open inside that.
    connect(m_log, &OutageLogModel::fetchFailed, this,
            [this](const QString &error) { reportFailure(tr("Не удалось прочитать журнал."), error); },
            Qt::QueuedConnection);

    buildMenus();
    // The filter sits in the menu bar's corner at the bar's own height, so
    // that showing it changes neither the window nor the grid.
    m_addressFilter = new QLineEdit(this);
    m_addressFilter->setObjectName(QStringLiteral("txtAddrFilter"));
    m_addressFilter->setPlaceholderText(tr("Найти адрес или описание"));
    m_addressFilter->setClearButtonEnabled(true);
    m_addressFilter->setFixedHeight(menuBar()->sizeHint().height() - 2);
    m_addressFilter->setMinimumWidth(m_addressFilter->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 24);
    menuBar()->setCornerWidget(m_addressFilter, Qt::TopRightCorner);
    m_addressFilter->hide();
    connect(m_addressFilter, &QLineEdit::textChanged, m_addressFilterModel, &AddressFilterModel::setFilterText);
    m_logSummary = new QLabel(this);
    m_logSummary->setObjectName(QStringLiteral("logSummary"));
    statusBar()->setObjectName(QStringLiteral("sbLog"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_logSummary, 1);
    showLogSummary(false);
}

void frmMain::showLogSummary(bool shown)
{
    // The grid keeps its design size: the bar adds its own height below it.
    statusBar()->setVisible(shown);
    const QSize client = Twips::toPixels(8220, 4695, this);
    setFixedSize(client.width(), client.height() + menuBar()->sizeHint().height()
                                     + (shown ? statusBar()->sizeHint().height() : 0));
}

frmMain::~frmMain()
{
    // A count still reading the log must not outlive the window it reports to.
    if (m_counting)
        m_counting->wait();
    // The grid may still show the model while both are destroyed.
    m_txtLog->setSourceModel(nullptr);
}

void frmMain::buildMenus()
{
    auto item = [this](QMenu *menu, const char *name, const QString &text, auto handler) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        // A server connection lost in an earlier action is made again first;
        // should the server still be away, the action's own failure says so.
        connect(action, &QAction::triggered, this, [this, handler] {
            QString ignored;
            Database::reconnectIfLost(QLatin1String(QSqlDatabase::defaultConnection), &ignored);
            (this->*handler)();
        });
        return action;
    };
    auto separator = [](QMenu *menu, const char *name) { menu->addSeparator()->setObjectName(QLatin1String(name)); };

    QMenu *prog = menuBar()->addMenu(tr("Программа"));
    prog->setObjectName(QStringLiteral("Prog"));
    item(prog, "mnuOrvant", tr("Начать проверку"), &frmMain::mnuOrvant_Click);
    separator(prog, "it1");
    item(prog, "mnuExit", tr("Выход"), &frmMain::mnuExit_Click);

    QMenu *file = menuBar()->addMenu(tr("База"));
    file->setObjectName(QStringLiteral("itmFile"));
    item(file, "mnuOtchet", tr("Журнал"), &frmMain::mnuOtchet_Click);
    item(file, "mnuExport", tr("Экспорт журнала..."), &frmMain::mnuExport_Click);
    item(file, "mnuAvailability", tr("Доступность"), &frmMain::mnuAvailability_Click);
    item(file, "mnuAddrs", tr("Просмотр адресов"), &frmMain::mnuAddrs_Click);
    item(file, "mnuImportAddrs", tr("Импорт адресов..."), &frmMain::mnuImportAddrs_Click);
    item(file, "mnuExportAddrs", tr("Экспорт адресов..."), &frmMain::mnuExportAddrs_Click);
    separator(file, "it2");
    item(file, "mnuAdd", tr("Добавить адрес"), &frmMain::mnuAdd_Click);
    item(file, "mnuEditAddr", tr("Редактир адрес"), &frmMain::mnuEditAddr_Click);
    item(file, "mnuDel", tr("Удалить  адрес"), &frmMain::mnuDel_Click);
    separator(file, "itm7");
    item(file, "mnuClearLog", tr("Очистить лог"), &frmMain::mnuClearLog_Click);

    QMenu *service = menuBar()->addMenu(tr("Сервис"));
    service->setObjectName(QStringLiteral("mnuDo"));
    QAction *stat = item(service, "mnuStat", tr("Обновить статистику"), &frmMain::mnuStat_Click);
    // The window's own shortcut: F5 works from anywhere in the main window.
    stat->setShortcut(QKeySequence(Qt::Key_F5));
    addAction(stat);
    separator(service, "itm2");
    item(service, "mnuOptions", tr("Настройки"), &frmMain::mnuOptions_Click);

    // The alert channels sit beside the menus rather than in them, so the
    // menus stay as they always were.
    auto *alerts = new QToolButton(menuBar());
    alerts->setObjectName(QStringLiteral("cmdAlerts"));
    alerts->setText(tr("Оповещения"));
    alerts->setAutoRaise(true);
    menuBar()->setCornerWidget(alerts, Qt::TopRightCorner);
    connect(alerts, &QToolButton::clicked, this, &frmMain::mnuAlerts_Click);
}

QString frmMain::databasePath() const
{
    return m_config.isServer() ? QString() : m_config.path();
}

void frmMain::reportFailure(const QString &what, const QString &error)
{
    m_prompts.ask(this, QMessageBox::Critical, Title, Database::withLossNoted(what + QLatin1Char('\n') + error));
}

bool frmMain::Form_Load()
{
    QString error;
    QString warning;
    if (!DatabaseConfig::load(m_programDirectory, &m_config, &error)) {
        reportFailure(tr("Не удалось открыть базу данных."), error);
        return false;
    }
    if (!Database::open(m_config, Database::Options(), &error, QLatin1String(QSqlDatabase::defaultConnection),
                        &warning)) {
        reportFailure(tr("Не удалось открыть базу данных."), error);
        return false;
    }
    // A read-only file opens, and the operator learns before the first
    // change fails why it will.
    if (!warning.isEmpty())
        m_prompts.ask(this, QMessageBox::Warning, Title, warning);
    if (!Do_Options())
        return false;
    if (!mnuStat_Click())
        return false;
    HookWheel(this);
    m_hooked = true;
    return true;
}

void frmMain::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (m_hooked) {
        UnhookWheel(this);
        m_hooked = false;
    }
    m_txtLog->setSourceModel(nullptr);
    Database::close();
    QCoreApplication::quit();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

bool frmMain::Do_Options()
{
    OptionsRecord record;
    QString error;
    if (!OptionsStore::read(&record, &error)) {
        reportFailure(tr("Не удалось прочитать настройки."), error);
        return false;
    }
    if (!m_frmOpt)
        m_frmOpt = new frmOpt(m_prompts, this);
    m_frmOpt->showRecord(record);
    m_frmOpt->loadAlertSettings();
    return true;
}

bool frmMain::mnuStat_Click()
{
    setCursor(Qt::WaitCursor);
    m_addressFilter->hide();
    m_txtLog->setSortingEnabled(false);
    m_txtLog->setSourceModel(m_log);
    const QString when = WidestValues::dateTime();
    m_txtLog->setFormatString(tr(LogHeadings),
                              {QString(), when, when, QString(), QString::fromLatin1(WidestValues::Address)});
    QString error;
    const bool ok = m_log->reload(&error);
    m_txtLog->scrollToTop();
    m_logSummary->clear();
    showLogSummary(true);
    if (ok)
        countLog();
    unsetCursor();
    if (!ok)
        reportFailure(tr("Не удалось прочитать журнал."), error);
    return ok;
}

void frmMain::countLog()
{
    // The figures read every row of the log: most of a second on a million
    // rows, so a thread with its own connection reads them and the listing
    // stays usable meanwhile.
    const int generation = ++m_countGeneration;
    const DatabaseConfig config = m_config;
    const QPointer<frmMain> window(this);
    QThread *thread = QThread::create([window, config, generation] {
        const QString connection = QStringLiteral("admin-log-figures-%1").arg(generation);
        OutageLog::Summary summary;
        QString error;
        const bool ok = Database::open(config, Database::Options(), &error, connection, nullptr)
                        && OutageLog::summary(&summary, &error, connection);
        Database::close(connection);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [window, generation, ok, summary, error] {
                if (!window || generation != window->m_countGeneration)
                    return;
                if (ok) {
                    window->m_logSummary->setText(OutageLog::summaryText(summary, QLocale::system()));
                    // The key column is sized by its heading until the
                    // largest key of the log is known: "№" alone shows two
                    // or three digits of a seven-digit key.
                    window->m_txtLog->setWidestValue(0, QString::number(summary.largestId));
                }
                else
                    window->reportFailure(tr("Не удалось подсчитать журнал."), error);
            },
            Qt::QueuedConnection);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    if (m_counting)
        m_counting->wait(); // one count at a time; the older one is not shown
    m_counting = thread;
    thread->start();
}

bool frmMain::mnuAddrs_Click()
{
    setCursor(Qt::WaitCursor);
    ++m_countGeneration; // a count still running belongs to the log listing
    showLogSummary(false);
    QList<AddressListModel::Row> rows;
    QString error;
    const bool ok = AddressListModel::load(QSqlDatabase::database(), &rows, &error);
    m_addresses->setRows(std::move(rows));
    // The address book has four columns (five with parents), the log five:
    // the listing gets a model of exactly its own columns.
    m_txtLog->setSourceModel(m_addressFilterModel);
    QStringList widest = {QString(), QString(), QString::fromLatin1(WidestValues::Address),
                          QString::fromLatin1(WidestValues::Timeout)};
    if (m_addresses->showsParents())
        widest << QString::fromLatin1(WidestValues::Address);
    m_txtLog->setFormatString(tr(m_addresses->showsParents() ? AddressHeadingsWithParent : AddressHeadings), widest);
    // Numeric address order first; a click on a heading sorts by its column.
    m_txtLog->horizontalHeader()->setSortIndicator(AddressListModel::Address, Qt::AscendingOrder);
    m_txtLog->setSortingEnabled(true);
    m_addressFilter->show();
    if (!m_latencyColumns)
        m_latencyColumns = new AddressLatencyColumns(m_addresses, this);
    m_latencyColumns->refresh();
    m_txtLog->scrollToTop();
    unsetCursor();
    if (!ok)
        reportFailure(tr("Не удалось прочитать список адресов."), error);
    return ok;
}

void frmMain::mnuImportAddrs_Click()
{
    frmImport dialog(m_prompts, this);
    dialog.exec();
    if (dialog.wrote() && m_txtLog->sourceModel() == m_addressFilterModel)
        mnuAddrs_Click();
}

bool frmMain::mnuExportAddrs_Click()
{
    const QString path = m_prompts.saveFileName(this, tr("Экспорт адресов", "window title"),
                                                QDir::home().filePath(QStringLiteral("orvant-addresses.csv")),
                                                tr("Файлы CSV (*.csv);;Все файлы (*)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return false;
    int rows = 0;
    QString error;
    if (!AddressExport::toFile(QSqlDatabase::database(), path, &rows, &error)) {
        reportFailure(tr("Не удалось экспортировать адреса."), error);
        return false;
    }
    return true;
}

void frmMain::mnuOtchet_Click()
{
    // A server's database is no file a desktop program could open.
    if (m_config.isServer()) {
        m_prompts.ask(this, QMessageBox::Information, Title,
                      tr("Журнал хранится в базе данных %1. Откройте её программой для PostgreSQL "
                             "(например, psql или pgAdmin).")
                              .arg(m_config.describe()));
        return;
    }
    const QString path = databasePath();
    if (m_launcher.openWithAssociatedApplication(path))
        return;
    // Nothing on this desktop opens the file's type: let the operator pick.
    const QStringList command = m_prompts.chooseProgram(this, path);
    if (command.isEmpty())
        return;
    QString error;
    if (!m_launcher.startDetached(command.first(), command.mid(1), &error))
        reportFailure(tr("Не удалось запустить программу %1.").arg(command.first()), error);
}

void frmMain::mnuOrvant_Click()
{
    // The monitor keeps itself to one instance; the admin neither checks for
    // a running one nor waits for it.
    const QString program = QDir(m_programDirectory).filePath(QStringLiteral("orvant"));
    QString error;
    if (!m_launcher.startDetached(program, {}, &error))
        reportFailure(tr("Не удалось запустить программу %1.").arg(QDir::toNativeSeparators(program)),
                      error);
}

template <class Dialog> void frmMain::showDialog(QPointer<Dialog> &dialog)
{
    if (!dialog)
        dialog = new Dialog(m_prompts, this);
    dialog->exec();
    // The close box discards a dialog; its next opening builds it afresh.
    if (dialog && dialog->discarded())
        delete dialog.data();
}

void frmMain::mnuAdd_Click()
{
    showDialog(m_frmAdd);
}

void frmMain::mnuEditAddr_Click()
{
    showDialog(m_frmEdAdr);
}

void frmMain::mnuDel_Click()
{
    showDialog(m_frmDel);
}

void frmMain::mnuOptions_Click()
{
    // After its close box the dialog was discarded; a new one shows the
    // stored settings again, so that a save can only write what the operator
    // saw. When they cannot be read the dialog stays closed.
    if (!m_frmOpt && !Do_Options())
        return;
    showDialog(m_frmOpt);
}

void frmMain::mnuClearLog_Click()
{
    showDialog(m_frmClearLog);
}

frmAvailability *frmMain::availabilityWindow() const
{
    return m_frmAvailability;
}

void frmMain::mnuAvailability_Click()
{
    if (!m_frmAvailability) {
        if (!m_availabilityThread)
            m_availabilityThread = new DatabaseThread(QStringLiteral("admin_availability"), this);
        DatabaseThread *thread = m_availabilityThread;
        const DatabaseConfig config = m_config;
        m_frmAvailability = new frmAvailability(
            m_prompts,
            [thread, config](frmAvailability::DatabaseJob job) {
                thread->post([config, job = std::move(job)](QSqlDatabase db) {
                    // Opened on the thread by its first job; it only reads.
                    if (!db.isOpen()) {
                        Database::Options options;
                        options.readOnly = true;
                        QString error;
                        Database::open(config, options, &error, QStringLiteral("admin_availability"), nullptr);
                        db = QSqlDatabase::database(QStringLiteral("admin_availability"), false);
                    }
                    job(db);
                });
            },
            this);
    }
    m_frmAvailability->show();
    m_frmAvailability->raise();
    m_frmAvailability->activateWindow();
}

bool frmMain::mnuExport_Click()
{
    const QString path = m_prompts.saveFileName(this, tr("Экспорт журнала", "window title"),
                                                QDir::home().filePath(QStringLiteral("orvant-log.csv")),
                                                tr("Файлы CSV (*.csv);;Все файлы (*)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return false;
    const QString failed = tr("Не удалось экспортировать журнал.");
    QString error;
    const qint64 total = OutageExport::count({}, &error);
    if (total < 0) {
        reportFailure(failed, error);
        return false;
    }
    QProgressDialog progress(tr("Экспорт журнала в %1").arg(QDir::toNativeSeparators(path)), tr("Отмена"), 0,
                             int(qMin<qint64>(total, std::numeric_limits<int>::max())), this);
    progress.setObjectName(QStringLiteral("exportProgress"));
    progress.setWindowTitle(Title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    m_exportProgress = &progress;
    // The export runs on this thread a batch at a time; between batches the
    // dialog is drawn and its cancel button heard.
    const auto onProgress = [&](qint64 rows) {
        progress.setValue(int(qMin<qint64>(rows, progress.maximum())));
        emit exportProgressed(rows);
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    };
    qint64 rows = 0;
    const OutageExport::Result result = OutageExport::toFile(path, {}, onProgress, &error, &rows);
    m_exportProgress = nullptr;
    progress.close();
    if (result == OutageExport::Result::Failed) {
        reportFailure(failed, error);
        return false;
    }
    return result == OutageExport::Result::Written;
}

void frmMain::mnuExit_Click()
{
    showMinimized();
    close();
}

} // namespace admin

namespace admin {

void frmMain::mnuAlerts_Click()
{
    // Reads and writes on a database thread of its own, so it opens on a
    // window that may be busy with a long listing.
    if (!m_frmAlerts)
        m_frmAlerts = new frmAlerts(m_prompts, this, m_config);
    else
        m_frmAlerts->reload();
    m_frmAlerts->show();
    m_frmAlerts->raise();
}

} // namespace admin
