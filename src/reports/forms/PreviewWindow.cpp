#include "reports/forms/PreviewWindow.h"

#include "ui/Guarded.h"
#include "ui/WaitCursor.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSpinBox>
#include <QVBoxLayout>

namespace orv::reports {
namespace {

constexpr int kZooms[] = {50, 75, 100, 125, 150, 200};
const QString kNothingToPrint = QStringLiteral("Нечего печатать: нет ни одной страницы");

// A modal progress window for drawing every page; its cancel button stops the drawing.
class PageProgress {
  public:
    PageProgress(QWidget* parent, const QString& text, int pages)
        : dialog_(text, QStringLiteral("Отмена"), 0, pages, parent) {
        dialog_.setWindowTitle(QStringLiteral("Печать"));
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setMinimumDuration(500);
    }
    ReportRenderer::Progress callback() {
        return [this](int done, int) {
            dialog_.setValue(done);
            return !dialog_.wasCanceled();
        };
    }

  private:
    QProgressDialog dialog_;
};

}  // namespace

ReportPreview::ReportPreview(const ReportLayout& layout, const ReportData* data,
                             const QString& title, QWidget* parent)
    : QDialog(parent),
      renderer_(layout, data),
      layout_(layout),
      data_(data),
      title_(title),
      scroll_(new QScrollArea(this)),
      pageView_(new QLabel),
      pageBox_(new QSpinBox(this)),
      countLabel_(new QLabel(this)),
      zoomBox_(new QComboBox(this)),
      first_(new QPushButton(QStringLiteral("|<"), this)),
      previous_(new QPushButton(QStringLiteral("<"), this)),
      next_(new QPushButton(QStringLiteral(">"), this)),
      last_(new QPushButton(QStringLiteral(">|"), this)),
      print_(new QPushButton(QStringLiteral("Печать"), this)),
      save_(new QPushButton(QStringLiteral("Сохранить в PDF"), this)),
      close_(new QPushButton(QStringLiteral("Закрыть"), this)) {
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(QStringLiteral("Предварительный просмотр: %1").arg(title));
    resize(920, 980);
    first_->setToolTip(QStringLiteral("Первая страница"));
    previous_->setToolTip(QStringLiteral("Предыдущая страница"));
    next_->setToolTip(QStringLiteral("Следующая страница"));
    last_->setToolTip(QStringLiteral("Последняя страница"));
    for (QPushButton* b : {first_, previous_, next_, last_}) b->setAutoDefault(false);
    print_->setObjectName(QStringLiteral("PreviewPrint"));
    save_->setObjectName(QStringLiteral("PreviewSave"));
    pageBox_->setObjectName(QStringLiteral("PreviewPage"));
    zoomBox_->setObjectName(QStringLiteral("PreviewZoom"));
    countLabel_->setObjectName(QStringLiteral("PreviewPageCount"));
    for (int z : kZooms) zoomBox_->addItem(QStringLiteral("%1 %").arg(z), z);
    zoomBox_->setCurrentIndex(zoomBox_->findData(100));

    pageView_->setAlignment(Qt::AlignCenter);
    scroll_->setWidget(pageView_);
    scroll_->setWidgetResizable(true);
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setBackgroundRole(QPalette::Dark);

    auto* bar = new QHBoxLayout;
    bar->addWidget(first_);
    bar->addWidget(previous_);
    auto* pageCaption = new QLabel(QStringLiteral("Страница"), this);
    bar->addWidget(pageCaption);
    bar->addWidget(pageBox_);
    bar->addWidget(countLabel_);
    bar->addWidget(next_);
    bar->addWidget(last_);
    bar->addSpacing(16);
    bar->addWidget(new QLabel(QStringLiteral("Масштаб"), this));
    bar->addWidget(zoomBox_);
    bar->addStretch();
    bar->addWidget(print_);
    bar->addWidget(save_);
    bar->addWidget(close_);
    auto* column = new QVBoxLayout(this);
    column->addLayout(bar);
    column->addWidget(scroll_);

    const int pages = std::max(1, pageCount());
    pageBox_->setRange(1, pages);
    countLabel_->setText(QStringLiteral("из %1").arg(pageCount()));
    if (pageCount() == 0) {
        pageCaption->hide();
        pageBox_->hide();
        countLabel_->setText(kNothingToPrint);
    }
    connect(first_, &QPushButton::clicked, this, [this] { showPage(0); });
    connect(previous_, &QPushButton::clicked, this, [this] { showPage(page_ - 1); });
    connect(next_, &QPushButton::clicked, this, [this] { showPage(page_ + 1); });
    connect(last_, &QPushButton::clicked, this, [this] { showPage(pageCount() - 1); });
    connect(pageBox_, &QSpinBox::valueChanged, this, [this](int value) { showPage(value - 1); });
    connect(zoomBox_, &QComboBox::currentIndexChanged, this,
            [this](int index) { setZoom(zoomBox_->itemData(index).toInt()); });
    connect(print_, &QPushButton::clicked, this, [this] { print(); });
    connect(save_, &QPushButton::clicked, this, [this] { saveAsPdf(); });
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    new QShortcut(QKeySequence(Qt::Key_PageDown), this, [this] { showPage(page_ + 1); });
    new QShortcut(QKeySequence(Qt::Key_PageUp), this, [this] { showPage(page_ - 1); });
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Home), this, [this] { showPage(0); });
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_End), this,
                  [this] { showPage(pageCount() - 1); });
    new QShortcut(QKeySequence::Print, this, [this] { print(); });
    print_->setEnabled(pageCount() > 0);
    save_->setEnabled(pageCount() > 0);
    refresh();
}

double ReportPreview::dotsPerInch() const {
    const QScreen* s = screen();
    const double screenDpi = s ? s->logicalDotsPerInchX() : 96.0;
    return screenDpi * zoom_ / 100.0;
}

QImage ReportPreview::pageImage(int page) const {
    const double dpi = dotsPerInch() * devicePixelRatioF();
    const QSize size(qRound(layout_.pageWidth / 25.4 * dpi),
                     qRound(layout_.pageHeight / 25.4 * dpi));
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    if (page >= 0 && page < renderer_.pageCount()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        renderer_.drawPage(painter, page);
    }
    image.setDevicePixelRatio(devicePixelRatioF());
    return image;
}

void ReportPreview::showPage(int page) {
    const int pages = pageCount();
    page = std::clamp(page, 0, std::max(0, pages - 1));
    if (page == page_ && pagesDrawn_ > 0) return;
    page_ = page;
    refresh();
}

void ReportPreview::setZoom(int percent) {
    if (percent <= 0 || percent == zoom_) return;
    zoom_ = percent;
    const int index = zoomBox_->findData(percent);
    if (index >= 0 && index != zoomBox_->currentIndex()) zoomBox_->setCurrentIndex(index);
    refresh();
}

void ReportPreview::refresh() {
    if (pageCount() == 0)
        pageView_->setText(kNothingToPrint);
    else
        pageView_->setPixmap(QPixmap::fromImage(pageImage(page_)));
    ++pagesDrawn_;
    const QSignalBlocker block(pageBox_);
    pageBox_->setValue(page_ + 1);
    const int pages = pageCount();
    first_->setEnabled(page_ > 0);
    previous_->setEnabled(page_ > 0);
    next_->setEnabled(page_ + 1 < pages);
    last_->setEnabled(page_ + 1 < pages);
}

void ReportPreview::print() {
    if (pageCount() == 0) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    printer.setFullPage(true);
    printer.setDocName(title_);
    printer.setFromTo(1, pageCount());
    QPrintDialog dialog(&printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    if (dialog.exec() != QDialog::Accepted) return;
    ui::guarded(this, [&] {
        const ui::WaitCursor wait;
        PageProgress progress(this, QStringLiteral("Печать страниц…"), pageCount());
        renderer_.render(printer, progress.callback());
    });
}

void ReportPreview::saveAsPdf() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить в PDF"),
                                                      title_ + QStringLiteral(".pdf"),
                                                      QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty()) return;
    saveAsPdf(path);
}

void ReportPreview::saveAsPdf(const QString& path) {
    ui::guarded(this, [&] {
        if (pdfWriter_) {
            pdfWriter_(path);
            return;
        }
        const ui::WaitCursor wait;
        PageProgress progress(this, QStringLiteral("Запись страниц в PDF…"), pageCount());
        writePdf(layout_, data_, path, title_, progress.callback());
    });
}

}  // namespace orv::reports
