#include "OpenWithDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace admin {

OpenWithDialog::OpenWithDialog(const QString &filePath, QWidget *parent)
    : QDialog(parent)
    , m_filePath(filePath)
    , m_entries(DesktopEntry::installedApplications())
{
    setWindowTitle(tr("Открыть с помощью", "window title"));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(tr("Выберите программу для открытия файла\n%1")
                                 .arg(QDir::toNativeSeparators(filePath)),
                             this);
    label->setWordWrap(true);
    layout->addWidget(label);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstPrograms"));
    for (const DesktopEntry &entry : m_entries)
        m_list->addItem(entry.name);
    layout->addWidget(m_list);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *open = buttons->addButton(tr("Открыть"), QDialogButtonBox::AcceptRole);
    QPushButton *browse = buttons->addButton(tr("Обзор..."), QDialogButtonBox::ActionRole);
    buttons->addButton(tr("Отмена"), QDialogButtonBox::RejectRole);
    open->setEnabled(false);
    layout->addWidget(buttons);

    connect(m_list, &QListWidget::currentRowChanged, open, [open](int row) { open->setEnabled(row >= 0); });
    connect(m_list, &QListWidget::itemActivated, this, &OpenWithDialog::acceptEntry);
    connect(buttons, &QDialogButtonBox::accepted, this, &OpenWithDialog::acceptEntry);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(browse, &QPushButton::clicked, this, &OpenWithDialog::browse);
    resize(420, 360);
}

void OpenWithDialog::acceptEntry()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_entries.size())
        return;
    m_command = m_entries.at(row).commandFor(m_filePath);
    if (!m_command.isEmpty())
        accept();
}

void OpenWithDialog::browse()
{
    const QString program =
        QFileDialog::getOpenFileName(this, tr("Программа", "window title"), QStringLiteral("/usr/bin"));
    if (program.isEmpty())
        return;
    m_command = {program, m_filePath};
    accept();
}

} // namespace admin
