#pragma once

#include <QMainWindow>

#include <functional>

class QAction;
class QPlainTextEdit;

class Prompts;

namespace grapher {

// The breakdown of the last computation as text, in its own window that
// outlives the main window. The text is a snapshot: it changes only when
// the breakdown is asked for again. The operator may edit it before saving.
class frmTime final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmTime)

public:
    // legend gives the main window's legend text at the time of saving.
    frmTime(Prompts &prompts, std::function<QString()> legend, QWidget *parent = nullptr);

    // Replaces the text and shows the window (not modal).
    void showBreakdown(const QString &text);
    QString text() const;

    // "Сохранить как...": the legend line, then the box's text.
    void saveToTxt();

private:
    Prompts &m_prompts;
    std::function<QString()> m_legend;
    QPlainTextEdit *m_txtTime;
};

} // namespace grapher
