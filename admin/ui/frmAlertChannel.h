#pragma once

#include "AlertChannel.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QStackedWidget;

namespace admin {

// One alert channel's settings. A secret (a password, a token) and a webhook
// URL are never shown back: their boxes stay empty with a note that one is
// set, and an empty box keeps what is stored.
class frmAlertChannel final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAlertChannel)

public:
    frmAlertChannel(const alerts::AlertChannel &channel, QWidget *parent);

    // The channel as the boxes now say, the stored secret and URL kept
    // where their boxes are empty.
    alerts::AlertChannel channel() const;

    void accept() override;

private:
    alerts::AlertChannel m_original;
    QLineEdit *m_name;
    QComboBox *m_kind;
    QStackedWidget *m_pages;
    QLineEdit *m_program;
    QPlainTextEdit *m_arguments;
    QLineEdit *m_url;
    QComboBox *m_format;
    QLineEdit *m_chat;
    QLineEdit *m_token;
    QLineEdit *m_to;
    QLineEdit *m_smtp;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QLineEdit *m_from;
    QLineEdit *m_caFile;
    QCheckBox *m_down;
    QCheckBox *m_up;
    QCheckBox *m_reminders;
    QSpinBox *m_minutes;
};

} // namespace admin
