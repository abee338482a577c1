#pragma once
#include <QWidget>
#include <memory>

namespace Ui {
class TSplashForm;
}

namespace pelorin {

// The window shown while the program loads: the program's picture and its version (splashform.ui).
class TSplashForm : public QWidget
{
    Q_OBJECT
public:
    explicit TSplashForm(QWidget* parent = nullptr);
    ~TSplashForm() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<Ui::TSplashForm> ui;
};

} // namespace pelorin
