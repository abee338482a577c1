#pragma once
#include <QWidget>
#include <memory>

namespace Ui {
class SplashWindow;
}

namespace pelorin {

// The window shown while the program loads: the program's picture and its version (splashwindow.ui).
class SplashWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SplashWindow(QWidget* parent = nullptr);
    ~SplashWindow() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<Ui::SplashWindow> ui;
};

} // namespace pelorin
