#include "frmAlertChannel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

using namespace alerts;

namespace admin {

namespace {

QLineEdit *secretBox(bool isSet, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setEchoMode(QLineEdit::Password);
    if (isSet)
        box->setPlaceholderText(frmAlertChannel::tr("задан; пусто — оставить как есть"));
    return box;
}

} // namespace

frmAlertChannel::frmAlertChannel(const AlertChannel &channel, QWidget *parent) : QDialog(parent), m_original(channel)
{
    setWindowTitle(tr("Канал оповещений"));
    auto *layout = new QVBoxLayout(this);
    auto *top = new QFormLayout;
    m_name = new QLineEdit(channel.name, this);
    m_name->setObjectName(QStringLiteral("txtName"));
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("cboKind"));
    m_kind->addItem(tr("Программа"), kindName(ChannelKind::Command));
    m_kind->addItem(tr("Веб-запрос"), kindName(ChannelKind::Webhook));
    m_kind->addItem(tr("Электронная почта"), kindName(ChannelKind::Email));
    top->addRow(tr("Имя:"), m_name);
    top->addRow(tr("Вид:"), m_kind);
    layout->addLayout(top);

    m_pages = new QStackedWidget(this);
    const bool webhook = channel.kind == ChannelKind::Webhook;
    const bool email = channel.kind == ChannelKind::Email;

    auto *command = new QWidget(m_pages);
    auto *commandForm = new QFormLayout(command);
    m_program = new QLineEdit(channel.setting("program"), command);
    m_program->setObjectName(QStringLiteral("txtProgram"));
    m_arguments = new QPlainTextEdit(channel.arguments().join(QLatin1Char('\n')), command);
    m_arguments->setObjectName(QStringLiteral("txtArguments"));
    commandForm->addRow(tr("Программа:"), m_program);
    commandForm->addRow(tr("Аргументы\n(по одному в строке):"), m_arguments);
    m_pages->addWidget(command);

    auto *hook = new QWidget(m_pages);
    auto *hookForm = new QFormLayout(hook);
    m_url = new QLineEdit(hook);
    m_url->setObjectName(QStringLiteral("txtUrl"));
    if (webhook && !channel.setting("url").isEmpty())
        m_url->setPlaceholderText(shownUrl(channel.setting("url")) + tr(" (пусто — оставить как есть)"));
    m_format = new QComboBox(hook);
    m_format->setObjectName(QStringLiteral("cboFormat"));
    for (WebhookFormat f : {WebhookFormat::Json, WebhookFormat::Slack, WebhookFormat::Telegram, WebhookFormat::Ntfy})
        m_format->addItem(formatName(f), formatName(f));
    m_format->setCurrentIndex(m_format->findData(formatName(channel.format())));
    m_chat = new QLineEdit(channel.setting("chat_id"), hook);
    m_token = secretBox(webhook && channel.hasSecret(), hook);
    m_token->setObjectName(QStringLiteral("txtToken"));
    hookForm->addRow(tr("Адрес (URL):"), m_url);
    hookForm->addRow(tr("Форма:"), m_format);
    hookForm->addRow(tr("Чат Telegram:"), m_chat);
    hookForm->addRow(tr("Ключ (необязательно):"), m_token);
    m_pages->addWidget(hook);

    auto *mail = new QWidget(m_pages);
    auto *mailForm = new QFormLayout(mail);
    m_to = new QLineEdit(channel.setting("to"), mail);
    m_to->setObjectName(QStringLiteral("txtTo"));
    m_smtp = new QLineEdit(channel.setting("smtp"), mail);
    m_smtp->setObjectName(QStringLiteral("txtSmtp"));
    m_smtp->setPlaceholderText(QStringLiteral("smtp://mail.example.org:587"));
    m_user = new QLineEdit(channel.setting("user"), mail);
    m_user->setObjectName(QStringLiteral("txtUser"));
    m_password = secretBox(email && channel.hasSecret(), mail);
    m_password->setObjectName(QStringLiteral("txtPassword"));
    m_from = new QLineEdit(channel.setting("from"), mail);
    mailForm->addRow(tr("Кому:"), m_to);
    mailForm->addRow(tr("Почтовый сервер:"), m_smtp);
    mailForm->addRow(tr("Пользователь:"), m_user);
    mailForm->addRow(tr("Пароль:"), m_password);
    mailForm->addRow(tr("От кого:"), m_from);
    m_pages->addWidget(mail);
    layout->addWidget(m_pages);

    auto *bottom = new QFormLayout;
    m_caFile = new QLineEdit(channel.setting("ca_file"), this);
    bottom->addRow(tr("Файл сертификатов УЦ:"), m_caFile);
    m_down = new QCheckBox(tr("Нет соединения"), this);
    m_down->setObjectName(QStringLiteral("chDown"));
    m_down->setChecked(channel.wantsDown);
    m_up = new QCheckBox(tr("Соединение восстановлено"), this);
    m_up->setObjectName(QStringLiteral("chUp"));
    m_up->setChecked(channel.wantsUp);
    m_reminders = new QCheckBox(tr("Напоминать каждые"), this);
    m_reminders->setChecked(channel.wantsReminders);
    m_minutes = new QSpinBox(this);
    m_minutes->setRange(1, 24 * 60);
    m_minutes->setSuffix(tr(" мин"));
    m_minutes->setValue(channel.reminderMinutes > 0 ? channel.reminderMinutes : 30);
    auto *reminder = new QHBoxLayout;
    reminder->addWidget(m_reminders);
    reminder->addWidget(m_minutes);
    reminder->addStretch();
    bottom->addRow(tr("События:"), m_down);
    bottom->addRow(QString(), m_up);
    bottom->addRow(QString(), reminder);
    layout->addLayout(bottom);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_kind, &QComboBox::currentIndexChanged, m_pages, &QStackedWidget::setCurrentIndex);
    m_kind->setCurrentIndex(m_kind->findData(kindName(channel.kind)));
    m_pages->setCurrentIndex(m_kind->currentIndex());
}

AlertChannel frmAlertChannel::channel() const
{
    AlertChannel c = m_original;
    c.name = m_name->text().trimmed();
    c.kind = kindFromName(m_kind->currentData().toString()).value_or(ChannelKind::Command);
    const bool kindChanged = c.kind != m_original.kind;
    c.settings = {};
    // The file of a secret stays named while its box is left empty.
    const QString secretFile = m_original.setting("secret_file");
    if (!kindChanged && !secretFile.isEmpty())
        c.settings.insert(QStringLiteral("secret_file"), secretFile);
    const QString ca = m_caFile->text().trimmed();
    if (!ca.isEmpty())
        c.settings.insert(QStringLiteral("ca_file"), ca);
    switch (c.kind) {
    case ChannelKind::Command: {
        c.settings.insert(QStringLiteral("program"), m_program->text().trimmed());
        QStringList args = m_arguments->toPlainText().split(QLatin1Char('\n'));
        while (!args.isEmpty() && args.last().isEmpty())
            args.removeLast();
        c.settings.insert(QStringLiteral("arguments"), QJsonArray::fromStringList(args));
        c.settings.remove(QStringLiteral("secret_file"));
        c.secret.clear();
        break;
    }
    case ChannelKind::Webhook: {
        const QString url = m_url->text().trimmed();
        c.settings.insert(QStringLiteral("url"), url.isEmpty() && !kindChanged ? m_original.setting("url") : url);
        c.settings.insert(QStringLiteral("format"), m_format->currentData().toString());
        if (!m_chat->text().trimmed().isEmpty())
            c.settings.insert(QStringLiteral("chat_id"), m_chat->text().trimmed());
        if (!m_token->text().isEmpty() || kindChanged)
            c.secret = m_token->text();
        break;
    }
    case ChannelKind::Email:
        c.settings.insert(QStringLiteral("to"), m_to->text().trimmed());
        c.settings.insert(QStringLiteral("smtp"), m_smtp->text().trimmed());
        if (!m_user->text().trimmed().isEmpty())
            c.settings.insert(QStringLiteral("user"), m_user->text().trimmed());
        if (!m_from->text().trimmed().isEmpty())
            c.settings.insert(QStringLiteral("from"), m_from->text().trimmed());
        if (!m_password->text().isEmpty() || kindChanged)
            c.secret = m_password->text();
        break;
    }
    c.wantsDown = m_down->isChecked();
    c.wantsUp = m_up->isChecked();
    c.wantsReminders = m_reminders->isChecked();
    c.reminderMinutes = c.wantsReminders ? m_minutes->value() : 0;
    return c;
}

void frmAlertChannel::accept()
{
    QString why;
    if (!channel().isComplete(&why)) {
        QMessageBox::warning(this, windowTitle(), why);
        return;
    }
    QDialog::accept();
}

} // namespace admin
