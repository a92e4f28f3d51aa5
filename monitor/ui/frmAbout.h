#pragma once

#include <QWidget>

class QLabel;

namespace monitor {

// The start-up splash: no frame, centred, not in the task bar. It stays up
// until the main window has loaded, first polling pass included.
class frmAbout final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)

public:
    explicit frmAbout(QWidget *parent = nullptr);

    QLabel *titleLabel() const { return m_title; }
    QLabel *loadingLabel() const { return m_loading; }

    // Shows the splash centred and lets the screen repaint.
    void showCentred();

private:
    QLabel *m_title;
    QLabel *m_loading;
};

} // namespace monitor
