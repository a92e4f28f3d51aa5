#include "frmImport.h"

#include "AddressImportModel.h"
#include "AdminStore.h"
#include "AdminWidgets.h"
#include "Prompts.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTableView>
#include <QVBoxLayout>

namespace admin {

using namespace AdminWidgets;

frmImport::frmImport(Prompts &prompts, AdminStore &store, QWidget *parent)
    : QDialog(parent)
    , m_prompts(prompts)
    , m_store(store)
{
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(tr("Импорт адресов", "window title"));

    QLabel *hint = label("lblHint",
                         tr("Строки CSV: address,description,timeout_ms,parent (первая строка может называть "
                            "столбцы). Вставьте их сюда или откройте файл."),
                         this, false);
    hint->setWordWrap(true);
    txtText = new QPlainTextEdit(this);
    txtText->setObjectName(QStringLiteral("txtText"));
    txtText->setLineWrapMode(QPlainTextEdit::NoWrap);
    chkReplace = new QCheckBox(tr("Удалить из базы адреса, которых нет в списке"), this);
    chkReplace->setObjectName(QStringLiteral("chkReplace"));
    m_preview = new AddressImportModel(this);
    tblPreview = new QTableView(this);
    tblPreview->setObjectName(QStringLiteral("tblPreview"));
    tblPreview->setModel(m_preview);
    tblPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblPreview->verticalHeader()->hide();
    tblPreview->horizontalHeader()->setStretchLastSection(true);
    lblSummary = label("lblSummary", QString(), this, false);
    lblSummary->setWordWrap(true);
    cmdFile = button("cmdFile", tr("Файл..."), this);
    cmdCheck = button("cmdCheck", tr("Проверить"), this);
    cmdImport = button("cmdImport", tr("Импортировать"), this, true);
    cmdClose = button("cmdClose", tr("Закрыть"), this);
    cmdImport->setEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(txtText, 1);
    auto *top = new QHBoxLayout;
    top->addWidget(cmdFile);
    top->addWidget(cmdCheck);
    top->addWidget(chkReplace);
    top->addStretch();
    layout->addLayout(top);
    layout->addWidget(tblPreview, 2);
    layout->addWidget(lblSummary);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdImport);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    layout->addLayout(buttons);
    resize(760, 560);

    // Any change of the text or the replacement makes the preview stale.
    const auto stale = [this] {
        m_checked = false;
        cmdImport->setEnabled(false);
    };
    connect(txtText, &QPlainTextEdit::textChanged, this, stale);
    connect(chkReplace, &QCheckBox::toggled, this, stale);
    connect(cmdFile, &QPushButton::clicked, this, &frmImport::cmdFile_Click);
    connect(cmdCheck, &QPushButton::clicked, this, &frmImport::cmdCheck_Click);
    connect(cmdImport, &QPushButton::clicked, this, &frmImport::cmdImport_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
}

void frmImport::reportFailure(const QString &what, const QString &error)
{
    m_prompts.ask(this, QMessageBox::Critical, windowTitle(), what + QLatin1Char('\n') + error);
}

void frmImport::cmdFile_Click()
{
    const QString path = m_prompts.openFileName(this, QDir::homePath(), tr("Файлы CSV (*.csv);;Все файлы (*)"));
    if (!path.isEmpty())
        loadFile(path);
}

bool frmImport::loadFile(const QString &path)
{
    QFile file(path);
    QString text;
    QString error;
    if (!file.open(QIODevice::ReadOnly)) {
        reportFailure(tr("Не удалось открыть файл %1.").arg(QDir::toNativeSeparators(path)), file.errorString());
        return false;
    }
    if (!AddressImport::decode(file.readAll(), &text, &error)) {
        reportFailure(tr("Не удалось прочитать файл %1.").arg(QDir::toNativeSeparators(path)), error);
        return false;
    }
    txtText->setPlainText(text);
    cmdCheck_Click();
    return true;
}

frmImport::~frmImport() = default;

void frmImport::setBusy(bool busy)
{
    m_busy = busy;
    cmdFile->setEnabled(!busy);
    cmdCheck->setEnabled(!busy);
    if (busy)
        cmdImport->setEnabled(false);
    setCursor(busy ? Qt::BusyCursor : Qt::ArrowCursor);
}

void frmImport::check(std::function<void(const AddressImport::Plan &)> then)
{
    setBusy(true);
    m_store.checkImport(txtText->toPlainText(), chkReplace->isChecked())
        .then(this, [this, then](const AdminStore::ImportChecked &checked) {
            setBusy(false);
            if (!checked.ok) {
                reportFailure(tr("Не удалось прочитать список адресов."), checked.error);
                emit stepDone();
                return;
            }
            then(checked.plan);
        });
}

void frmImport::showPlan(const AddressImport::Plan &plan)
{
    m_preview->setPlan(plan);
    tblPreview->resizeColumnsToContents();
    QString text = tr("Новых: %1, изменится: %2, без изменений: %3, отклонено: %4.")
                       .arg(plan.count(AddressImport::Kind::New))
                       .arg(plan.count(AddressImport::Kind::Changed))
                       .arg(plan.count(AddressImport::Kind::Unchanged))
                       .arg(plan.count(AddressImport::Kind::Refused));
    if (plan.replace)
        text += QLatin1Char(' ') + tr("Будет удалено адресов: %1.").arg(plan.removals.size());
    lblSummary->setText(text);
    m_checked = true;
    cmdImport->setEnabled(!plan.isNoOp());
}

void frmImport::cmdCheck_Click()
{
    check([this](const AddressImport::Plan &plan) {
        showPlan(plan);
        emit stepDone();
    });
}

void frmImport::cmdImport_Click()
{
    if (!m_checked) {
        cmdCheck_Click();
        return;
    }
    // The book as it is now: another seat may have changed it since the check.
    check([this](const AddressImport::Plan &plan) {
        const AddressImport::Plan &shown = m_preview->plan();
        bool same = plan.lines.size() == shown.lines.size() && plan.removals == shown.removals;
        for (qsizetype i = 0; same && i < plan.lines.size(); ++i)
            same = plan.lines.at(i).kind == shown.lines.at(i).kind;
        showPlan(plan);
        if (!same) {
            m_prompts.ask(this, QMessageBox::Warning, windowTitle(),
                          tr("Список адресов в базе изменился после проверки. Просмотрите итог ещё раз."));
            emit stepDone();
            return;
        }
        const int refused = plan.count(AddressImport::Kind::Refused);
        const bool go = !plan.isNoOp()
                        && (refused == 0
                            || m_prompts.ask(this, QMessageBox::Question, windowTitle(),
                                             tr("Отклонено строк: %1. Записать остальные?").arg(refused),
                                             QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                                   == QMessageBox::Yes)
                        && (plan.removals.isEmpty()
                            || m_prompts.ask(this, QMessageBox::Question, windowTitle(),
                                             tr("Из базы будет удалено адресов, которых нет в списке: %1. Удалить их?")
                                                 .arg(plan.removals.size()),
                                             QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                                   == QMessageBox::Yes);
        if (!go) {
            emit stepDone();
            return;
        }
        write(plan);
    });
}

void frmImport::write(const AddressImport::Plan &plan)
{
    setBusy(true);
    m_store.applyImport(plan).then(this, [this](const AdminStore::Imported &outcome) {
        setBusy(false);
        if (!outcome.ok) {
            reportFailure(tr("Адреса не записаны."), outcome.error);
            emit stepDone();
            return;
        }
        m_wrote = true;
        m_prompts.ask(this, QMessageBox::Information, windowTitle(),
                      tr("Добавлено: %1, изменено: %2, удалено: %3.")
                          .arg(outcome.written.added)
                          .arg(outcome.written.changed)
                          .arg(outcome.written.removed));
        emit stepDone();
        accept();
    });
}

} // namespace admin
