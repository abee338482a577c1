#pragma once
#include <QWidget>

class QLabel;

namespace pelorin {

// The window shown while the program loads: the program's picture and its version.
class TSplashForm : public QWidget
{
    Q_OBJECT
public:
    explicit TSplashForm(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr; // "Version " followed by the version string

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pelorin
