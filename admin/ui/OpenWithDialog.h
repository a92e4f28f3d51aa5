#pragma once

#include "DesktopEntry.h"

#include <QDialog>
#include <QList>

class QListWidget;

namespace admin {

// The open-with choice for a file that no application is associated with:
// the desktop's applications, or any program file picked with "Обзор...".
class OpenWithDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OpenWithDialog)

public:
    explicit OpenWithDialog(const QString &filePath, QWidget *parent = nullptr);

    // The program and its arguments for the chosen application.
    QStringList command() const { return m_command; }

private:
    void acceptEntry();
    void browse();

    QString m_filePath;
    QList<DesktopEntry> m_entries;
    QListWidget *m_list = nullptr;
    QStringList m_command;
};

} // namespace admin
