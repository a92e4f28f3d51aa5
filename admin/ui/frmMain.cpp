#include "frmMain.h"
#include "frmRttThresholds.h"

#include "AddressListModel.h"
#include "frmImport.h"
#include "AdminStore.h"
#include "DatabaseWait.h"
#include "AddressLatencyColumns.h"
#include "FormatGrid.h"
#include "Prompts.h"
#include "OutageExport.h"
#include "OutageLog.h"
#include "OutageLogModel.h"
#include "ProgramLauncher.h"
#include "DurationText.h"
#include "Twips.h"
#include "WidestValues.h"
#include "frmAdd.h"
#include "frmClearLog.h"
#include "frmVantages.h"
#include "frmAvailability.h"
#include "frmDel.h"
#include "frmEdAdr.h"
#include "frmAlerts.h"
#include "frmOpt.h"
#include "mouse_scroll.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMutex>
#include <QScrollBar>
#include <QTimer>
#include <QWaitCondition>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QStackedLayout>
#include <QStatusBar>
#include <QToolButton>
#include <QThread>
#include <QPainter>

#include <atomic>
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
    m_store = std::make_unique<AdminStore>();
    m_log = new OutageLogModel(this);
    m_addresses = new AddressListModel(this);
    m_addressFilterModel = new AddressFilterModel(this);
    m_addressFilterModel->setSourceModel(m_addresses);
    m_store->attach(m_log);
    connect(m_log, &OutageLogModel::loaded, this, [this](bool ok, const QString &error) {
        if (ok) {
            // Another filter or order: the figures are those of the rows listed.
            if (m_txtLog->sourceModel() == m_log)
                countLog();
            return;
        }
        reportFailure(tr("Не удалось прочитать журнал."), error);
    });
    // Rows the monitor added or closed meanwhile are counted with the rest.
    connect(m_log, &OutageLogModel::followed, this, [this] {
        if (m_txtLog->sourceModel() == m_log)
            countLog(true);
    });
    // Rows read again while the log is followed: the outage at the top of
    // the view stays there, unless the view was at the very top, where new
    // outages are meant to come into sight.
    connect(m_log, &QAbstractItemModel::layoutAboutToBeChanged, this, [this] {
        const int top = m_txtLog->rowAt(0);
        m_anchorId = top > 0 ? m_log->idAt(top) : 0;
    });
    connect(m_log, &QAbstractItemModel::layoutChanged, this, [this] {
        const int row = m_anchorId ? m_log->rowOfId(m_anchorId) : -1;
        if (row >= 0)
            m_txtLog->verticalScrollBar()->setValue(row);
    });
    m_follow = new QTimer(this);
    m_follow->setInterval(FollowIntervalMs);
    connect(m_follow, &QTimer::timeout, this, &frmMain::followLog);
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
    connect(m_addressFilter, &QLineEdit::textChanged, m_addressFilterModel, &AddressFilterModel::setFilterText);
    m_logSummary = new QLabel(this);
    m_logSummary->setObjectName(QStringLiteral("logSummary"));
    statusBar()->setObjectName(QStringLiteral("sbLog"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_logSummary, 1);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("txtFilter"));
    m_filter->setPlaceholderText(tr("Найти: адрес или описание"));
    m_filter->setClearButtonEnabled(true);
    m_filter->setFixedWidth(Twips::toPixels(2880, 0, this).width());
    // In the menu bar's free corner: the grid and the figures under it keep
    // their room.
    auto *corner = new QWidget(this);
    auto *cornerLayout = new QHBoxLayout(corner);
    cornerLayout->setContentsMargins(0, 1, 2, 1);
    // The log's filter and the address listing's own take turns in one
    // place, the one of the listing on screen: the corner keeps one box's
    // room (and the menu bar, so the window, its height) whichever shows.
    auto *filters = new QWidget(corner);
    m_filters = new QStackedLayout(filters);
    m_filters->setContentsMargins(0, 0, 0, 0);
    m_filters->addWidget(m_filter);
    m_filters->addWidget(m_addressFilter);
    cornerLayout->addWidget(filters);
    cornerLayout->addWidget(m_alertsButton);
    cornerLayout->addWidget(m_vantagesButton);
    menuBar()->setCornerWidget(corner, Qt::TopRightCorner);
    m_filterDelay = new QTimer(this);
    m_filterDelay->setSingleShot(true);
    m_filterDelay->setInterval(150);
    connect(m_filter, &QLineEdit::textChanged, m_filterDelay, qOverload<>(&QTimer::start));
    connect(m_filterDelay, &QTimer::timeout, this, [this] {
        if (m_txtLog->sourceModel() == m_log)
            m_log->setFilter(m_filter->text().trimmed());
    });
    m_txtLog->horizontalHeader()->setSectionsClickable(true);
    connect(m_txtLog->horizontalHeader(), &QHeaderView::sectionClicked, this, &frmMain::sortLog);
    // A choice of the log listing's own, on its context menu: the menus,
    // and the listing until it is chosen, stay as they always were.
    m_showMarks = new QAction(tr("Показывать причины тишины"), this);
    m_showMarks->setObjectName(QStringLiteral("mnuShowMarks"));
    m_showMarks->setCheckable(true);
    connect(m_showMarks, &QAction::toggled, this, &frmMain::showMarks);
    m_showDuration = new QAction(tr("Показывать длительность"), this);
    m_showDuration->setObjectName(QStringLiteral("mnuShowDuration"));
    m_showDuration->setCheckable(true);
    connect(m_showDuration, &QAction::toggled, this, &frmMain::showDuration);
    m_txtLog->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_txtLog, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { logContextMenu(m_txtLog->viewport()->mapToGlobal(at)); });
    m_txtLog->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_txtLog->horizontalHeader(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { logContextMenu(m_txtLog->horizontalHeader()->mapToGlobal(at)); });
    showLogSummary(false);
}

void frmMain::showLogSummary(bool shown)
{
    // The filter belongs to the log listing, as the figures do.
    m_filters->setCurrentWidget(shown ? m_filter : m_addressFilter);
    // The grid keeps its design size: the bar adds its own height below it.
    statusBar()->setVisible(shown);
    const QSize client = Twips::toPixels(8220, 4695, this);
    setFixedSize(client.width(), client.height() + menuBar()->sizeHint().height()
                                     + (shown ? statusBar()->sizeHint().height() : 0));
}

frmMain::~frmMain()
{
    m_follow->stop();
    // The grid may still show the model while both are destroyed.
    m_txtLog->setSourceModel(nullptr);
    // The model goes before the store whose thread it posts to; the store
    // ends its connection, waiting a moment at most for a statement the
    // database does not answer.
    delete m_log;
    m_log = nullptr;
    m_store->shutdown();
    m_store.reset();
}

void frmMain::buildMenus()
{
    auto item = [this](QMenu *menu, const char *name, const QString &text, auto handler) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
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
    item(file, "mnuLatency", tr("Задержка и потери..."), &frmMain::mnuLatency_Click);
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
    // menus stay as they always were; the button joins the bar's corner
    // (see the constructor), never the menus' own room.
    m_alertsButton = new QToolButton(this);
    m_alertsButton->setObjectName(QStringLiteral("cmdAlerts"));
    m_alertsButton->setText(tr("Оповещения"));
    m_alertsButton->setAutoRaise(true);
    connect(m_alertsButton, &QToolButton::clicked, this, &frmMain::mnuAlerts_Click);
    // Beside it, as it is beside the menus: the vantage points, which only
    // a server database has. It shows once the database is known to be one.
    m_vantagesButton = new QToolButton(this);
    m_vantagesButton->setObjectName(QStringLiteral("cmdVantages"));
    m_vantagesButton->setText(tr("Наблюдательные пункты"));
    m_vantagesButton->setAutoRaise(true);
    m_vantagesButton->setVisible(false);
    connect(m_vantagesButton, &QToolButton::clicked, this, &frmMain::mnuVantages_Click);
}

QString frmMain::databasePath() const
{
    return m_config.isServer() ? QString() : m_config.path();
}

void frmMain::reportFailure(const QString &what, const QString &error)
{
    // The error comes from the database thread, a lost connection noted there.
    m_prompts.ask(this, QMessageBox::Critical, Title, what + QLatin1Char('\n') + error);
}

bool frmMain::Form_Load()
{
    QString error;
    QString warning;
    if (!DatabaseConfig::load(m_programDirectory, &m_config, &error)) {
        reportFailure(tr("Не удалось открыть базу данных."), error);
        return false;
    }
    m_vantagesButton->setVisible(m_config.isServer());
    const auto opened = DatabaseWait::wait(this, m_store->open(m_config));
    if (!opened)
        return false;
    if (!opened->outcome.ok) {
        reportFailure(tr("Не удалось открыть базу данных."), opened->outcome.error);
        return false;
    }
    warning = opened->warning;
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
    m_follow->stop();
    m_txtLog->setSourceModel(nullptr);
    // After whatever was asked before; a statement the database does not
    // answer is given up rather than let hold the program's end.
    m_store->shutdown();
    QCoreApplication::quit();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

bool frmMain::Do_Options()
{
    const auto read = DatabaseWait::wait(this, m_store->readOptions());
    if (!read)
        return false;
    if (!read->outcome.ok) {
        reportFailure(tr("Не удалось прочитать настройки."), read->outcome.error);
        return false;
    }
    const OptionsRecord &record = read->record;
    if (!m_frmOpt)
        m_frmOpt = new frmOpt(m_prompts, this);
    m_frmOpt->showRecord(record);
    m_frmOpt->loadAlertSettings();
    return true;
}

bool frmMain::mnuStat_Click()
{
    setCursor(Qt::WaitCursor);
    m_txtLog->setSortingEnabled(false);
    m_txtLog->setSourceModel(m_log);
    applyLogHeadings(QString());
    // What the filter box holds now, even while its pause is still running.
    m_filterDelay->stop();
    m_log->setFilterText(m_filter->text().trimmed());
    const OutageLogModel::Query query = m_log->query();
    m_txtLog->horizontalHeader()->setSortIndicator(query.sortColumn, query.order);
    m_txtLog->horizontalHeader()->setSortIndicatorShown(
        !(query.sortColumn == OutageLogModel::TimeBegin && query.order == Qt::DescendingOrder));
    // The first page is waited for (briefly: see DatabaseWait), so the
    // listing is there when the action ends; later pages come by themselves.
    const auto page = DatabaseWait::wait(this, m_store->readLogFirst(query, OutageLogModel::DefaultPageSize));
    QString error;
    const bool ok = page && m_log->applyFirst(*page, &error);
    m_txtLog->scrollToTop();
    m_logSummary->clear();
    showLogSummary(true);
    if (ok) {
        countLog();
        m_follow->start();
    }
    unsetCursor();
    if (page && !ok)
        reportFailure(tr("Не удалось прочитать журнал."), error);
    return ok;
}

void frmMain::countLog(bool quiet)
{
    // The figures read every row of the log: most of a second on a million
    // rows. They come by themselves; only the latest count is shown.
    const int generation = ++m_countGeneration;
    m_store->countLog(m_log->query().filter).then(this, [this, generation, quiet](const AdminStore::LogCount &answer) {
        if (generation != m_countGeneration)
            return;
        if (answer.outcome.ok) {
            m_logSummary->setText(OutageLog::summaryText(answer.summary, QLocale::system()));
            // The key column is sized by its heading until the largest
            // key of the log is known: "№" alone shows two or three
            // digits of a seven-digit key.
            m_largestKey = QString::number(answer.summary.largestId);
            m_txtLog->setWidestValue(0, m_largestKey);
        } else if (!quiet) {
            reportFailure(tr("Не удалось подсчитать журнал."), answer.outcome.error);
        }
    });
}

void frmMain::applyLogHeadings(const QString &largestKey)
{
    const QString when = WidestValues::dateTime();
    QStringList widest{largestKey, when, when, QString(), QString::fromLatin1(WidestValues::Address)};
    if (m_log->showsMarks())
        widest << QString();
    QString headings = tr(m_log->showsMarks() ? LogHeadingsWithMarks : LogHeadings);
    if (m_log->showsDuration()) {
        headings += tr(DurationHeading);
        // Longer than a year of outage reads "400 д 23 ч".
        widest << DurationText::format(400 * 86400 + 23 * 3600);
    }
    m_txtLog->setFormatString(headings, widest);
}

void frmMain::logContextMenu(const QPoint &globalPos)
{
    if (m_txtLog->sourceModel() == m_addressFilterModel) {
        // The monitor board's round-trip thresholds are the addresses' own:
        // reached from the address listing, so the fixed window and its
        // menus stay as they are.
        QMenu menu(this);
        menu.setObjectName(QStringLiteral("mnuAddrsContext"));
        QAction *thresholds = menu.addAction(tr("Пороги задержки для доски всех узлов..."));
        thresholds->setObjectName(QStringLiteral("mnuThresholds"));
        connect(thresholds, &QAction::triggered, this, &frmMain::showThresholds);
        menu.exec(globalPos);
        return;
    }
    if (m_txtLog->sourceModel() != m_log)
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("mnuLog"));
    menu.addAction(m_showMarks);
    menu.addAction(m_showDuration);
    menu.exec(globalPos);
}

void frmMain::showMarks(bool shown)
{
    m_log->setShowsMarks(shown);
    if (m_txtLog->sourceModel() == m_log)
        applyLogHeadings(m_largestKey);
}

void frmMain::showDuration(bool shown)
{
    m_log->setShowsDuration(shown);
    if (m_txtLog->sourceModel() == m_log)
        applyLogHeadings(m_largestKey);
}

void frmMain::sortLog(int column)
{
    if (m_txtLog->sourceModel() != m_log || column < 0)
        return;
    const OutageLogModel::Query query = m_log->query();
    // The reasons are read with their rows, not ordered by: the heading
    // keeps showing the order there is.
    if (column >= OutageLogModel::ColumnCount) {
        m_txtLog->horizontalHeader()->setSortIndicator(query.sortColumn, query.order);
        return;
    }
    // A second click on the same heading turns the order round; another
    // heading starts ascending (the log's own order is newest first).
    const Qt::SortOrder order = column == query.sortColumn
                                    ? (query.order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder)
                                    : Qt::AscendingOrder;
    m_txtLog->horizontalHeader()->setSortIndicator(column, order);
    m_txtLog->horizontalHeader()->setSortIndicatorShown(true);
    m_log->sort(column, order);
    m_txtLog->scrollToTop();
}

void frmMain::followLog()
{
    // Not while a box or a wait has the operator's attention: the rows
    // would move under a choice being made.
    if (m_txtLog->sourceModel() != m_log || DatabaseWait::isWaiting() || QApplication::activeModalWidget())
        return;
    m_log->checkForChanges();
}

void frmMain::setFollowInterval(int ms)
{
    m_follow->setInterval(ms);
}

bool frmMain::mnuAddrs_Click()
{
    setCursor(Qt::WaitCursor);
    ++m_countGeneration; // a count still running belongs to the log listing
    m_follow->stop();
    m_txtLog->horizontalHeader()->setSortIndicatorShown(false);
    showLogSummary(false);
    const auto listed = DatabaseWait::wait(this, m_store->readBook());
    const bool ok = listed && listed->outcome.ok;
    const QString error = listed ? listed->outcome.error : QString();
    m_addresses->setRows(listed ? listed->rows : QList<AddressListModel::Row>());
    // The address book has four columns (five with parents), the log five:
    // the listing gets a model of exactly its own columns.
    m_txtLog->setSourceModel(m_addressFilterModel);
    QStringList widest = {QString(), QString(), QString::fromLatin1(WidestValues::Address),
                          QString::fromLatin1(WidestValues::Timeout)};
    if (m_addresses->showsParents())
        widest << QString::fromLatin1(WidestValues::Address);
    m_txtLog->setFormatString(tr(m_addresses->showsParents() ? AddressHeadingsWithParent : AddressHeadings), widest);
    // The book's own order first, the address as text ("order by 1"); a
    // click on a heading sorts by its column, addresses by value.
    m_txtLog->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    // The header turns the order only while its indicator is shown.
    m_txtLog->horizontalHeader()->setSortIndicatorShown(true);
    m_txtLog->setSortingEnabled(true);
    if (!m_latencyColumns)
        m_latencyColumns = new AddressLatencyColumns(m_addresses, *m_store, this);
    m_latencyColumns->refresh();
    m_txtLog->scrollToTop();
    unsetCursor();
    if (listed && !ok)
        reportFailure(tr("Не удалось прочитать список адресов."), error);
    return ok;
}

void frmMain::mnuImportAddrs_Click()
{
    frmImport dialog(m_prompts, *m_store, this);
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
    const auto written = DatabaseWait::wait(this, m_store->exportAddresses(path));
    if (!written)
        return false;
    if (!written->ok) {
        reportFailure(tr("Не удалось экспортировать адреса."), written->error);
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

void frmMain::mnuLatency_Click()
{
    // The grapher draws the round trips; it reads the same database.
    const QString program = QDir(m_programDirectory).filePath(QStringLiteral("grapher"));
    QString error;
    if (!m_launcher.startDetached(program, {QStringLiteral("--latency")}, &error))
        reportFailure(tr("Не удалось запустить программу %1.").arg(QDir::toNativeSeparators(program)), error);
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

void frmMain::mnuVantages_Click()
{
    if (!m_frmVantages)
        m_frmVantages = new frmVantages(m_prompts, this);
    if (!m_frmVantages->refresh())
        return;
    showDialog(m_frmVantages);
}

frmAvailability *frmMain::availabilityWindow() const
{
    return m_frmAvailability;
}

void frmMain::mnuAvailability_Click()
{
    if (!m_frmAvailability)
        m_frmAvailability = new frmAvailability(m_prompts, *m_store, this);
    m_frmAvailability->show();
    m_frmAvailability->raise();
    m_frmAvailability->activateWindow();
}
namespace {

// The export's hand-over between the database thread and the window: the
// thread reports each batch and goes on only once the window has taken the
// report (or cancelled), so a cancel takes effect at the next batch and the
// rows counted are the rows shown.
struct ExportHandOver
{
    QMutex mutex;
    QWaitCondition taken;
    qint64 acknowledged = 0;
    std::atomic_bool cancelled{false};

    void acknowledge(qint64 rows)
    {
        const QMutexLocker lock(&mutex);
        acknowledged = rows;
        taken.wakeAll();
    }
    void cancel()
    {
        cancelled = true;
        const QMutexLocker lock(&mutex);
        taken.wakeAll();
    }
    // On the database thread: false once cancelled.
    bool awaitTaken(qint64 rows)
    {
        QMutexLocker lock(&mutex);
        while (acknowledged < rows && !cancelled)
            taken.wait(&mutex, 100);
        return !cancelled;
    }
};

} // namespace

bool frmMain::mnuExport_Click()
{
    if (m_exportProgress)
        return false; // one export at a time
    const QString path = m_prompts.saveFileName(this, tr("Экспорт журнала", "window title"),
                                                QDir::home().filePath(QStringLiteral("orvant-log.csv")),
                                                tr("Файлы CSV (*.csv);;Все файлы (*)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return false;
    const QString failed = tr("Не удалось экспортировать журнал.");
    // The reasons go into the file when the listing shows them.
    OutageExport::Filter filter;
    filter.marks = m_log->showsMarks();
    const auto counted = DatabaseWait::wait(this, m_store->countLogExport(filter));
    if (!counted)
        return false;
    if (!counted->outcome.ok) {
        reportFailure(failed, counted->outcome.error);
        return false;
    }
    const qint64 total = counted->rows;
    QProgressDialog progress(tr("Экспорт журнала в %1").arg(QDir::toNativeSeparators(path)), tr("Отмена"), 0,
                             int(qMin<qint64>(total, std::numeric_limits<int>::max())), this);
    progress.setObjectName(QStringLiteral("exportProgress"));
    progress.setWindowTitle(Title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    m_exportProgress = &progress;

    // The rows are written on the database thread; this window shows the
    // progress and hears the cancel button meanwhile, in its own event loop
    // (the dialog is modal over the window).
    auto handOver = std::make_shared<ExportHandOver>();
    connect(&progress, &QProgressDialog::canceled, this, [handOver] { handOver->cancel(); });
    QEventLoop loop;
    std::optional<AdminStore::Exported> answer;
    const QPointer<frmMain> window(this);
    const QPointer<QProgressDialog> shown(&progress);
    QObject context;
    // Called between batches on the database thread.
    const auto onProgress = [handOver, window, shown](qint64 rows) {
        if (handOver->cancelled)
            return false;
        QMetaObject::invokeMethod(
            qApp,
            [window, shown, handOver, rows] {
                if (window && shown && !handOver->cancelled) {
                    shown->setValue(int(qMin<qint64>(rows, shown->maximum())));
                    emit window->exportProgressed(rows);
                }
                handOver->acknowledge(rows);
            },
            Qt::QueuedConnection);
        return handOver->awaitTaken(rows);
    };
    m_store->exportLog(path, filter, onProgress).then(&context, [&](const AdminStore::Exported &a) {
        answer = a;
        loop.quit();
    });
    loop.exec();
    // Ended by the program's end rather than the export's: the export stops
    // at its next batch and leaves no file.
    if (!answer)
        handOver->cancel();
    m_exportProgress = nullptr;
    progress.close();
    if (!answer)
        return false;
    if (answer->result == OutageExport::Result::Failed) {
        reportFailure(failed, answer->error);
        return false;
    }
    return answer->result == OutageExport::Result::Written;
}

void frmMain::mnuExit_Click()
{
    showMinimized();
    close();
}

} // namespace admin

namespace admin {

void frmMain::showThresholds()
{
    frmRttThresholds dialog(*m_store, this);
    dialog.exec();
}

void frmMain::mnuAlerts_Click()
{
    // Reads and writes on a database thread of its own, so it opens on a
    // window that may be busy with a long listing.
    if (!m_frmAlerts)
        m_frmAlerts = new frmAlerts(m_prompts, this, *m_store);
    else
        m_frmAlerts->reload();
    m_frmAlerts->show();
    m_frmAlerts->raise();
}

} // namespace admin
