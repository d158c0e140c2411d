#include "app/forms/Splash.h"

#include <QFrame>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QVBoxLayout>

// Resources of a static library are registered by hand, outside any namespace.
static void initSplashResources() { Q_INIT_RESOURCE(splash); }

namespace orv::app {
namespace {

// The picture, drawn from the SVG of the resources to whatever size the panel gives it.
class Picture : public QWidget {
  public:
    explicit Picture(QWidget* parent)
        : QWidget(parent), renderer_(QStringLiteral(":/splash/splash.svg"), this) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer_.render(&painter, rect());
    }

  private:
    QSvgRenderer renderer_;
};

}  // namespace

TForm6::TForm6(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    initSplashResources();
    setObjectName(QStringLiteral("Form6"));
    setFixedSize(282, 155);

    auto* border = new QFrame(this);
    border->setFrameStyle(QFrame::Box | QFrame::Plain);
    border->setLineWidth(1);
    auto* bevel = new QFrame(border);
    bevel->setObjectName(QStringLiteral("Panel1"));
    bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bevel->setLineWidth(10);
    auto* picture = new Picture(bevel);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(border);
    auto* inBorder = new QVBoxLayout(border);
    inBorder->setContentsMargins(1, 1, 1, 1);
    inBorder->addWidget(bevel);
    auto* inBevel = new QVBoxLayout(bevel);
    inBevel->setContentsMargins(10, 10, 10, 10);
    inBevel->addWidget(picture);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = rect();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

}  // namespace orv::app
