#include "app/CoverPanel.h"

#include "app/FilePaths.h"
#include "tags/common/Covers.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace core = velmora::core;

namespace {

// The picture's largest side; it shrinks to the panel's width.
constexpr int MaxPictureSide = 300;

// How long the covers of a selection are compared before the window gets
// its events again.
constexpr int SliceMilliseconds = 15;

QString sizeCaption(const velmora::Picture& picture, QSize stored) {
    const std::string_view bytes = picture.data ? std::string_view(*picture.data) : "";
    int width = std::max(stored.width(), 0);
    int height = std::max(stored.height(), 0);
    if (const auto size = velmora::imagePixelSize(bytes)) {
        width = int(size->width);
        height = int(size->height);
    }
    return QStringLiteral("%1\u00D7%2 px, %3 bytes").arg(width).arg(height).arg(picture.size());
}

} // namespace

const QString CoverPanel::ImageFilter = QStringLiteral("Images (*.jpg *.jpeg *.png)");

CoverPanel::CoverPanel(core::FileList& list, QWidget* parent) : QWidget(parent), list_(list) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    image_ = new QLabel(this);
    image_->setAlignment(Qt::AlignCenter);
    image_->setFrameShape(QFrame::StyledPanel);
    image_->setMinimumSize(32, 32);
    // The picture is placed by resizeEvent; the layout holds what is below it.
    caption_ = new QLabel(this);
    caption_->setAlignment(Qt::AlignHCenter);
    caption_->setWordWrap(true);
    layout->addWidget(caption_);
    refusal_ = new QLabel(this);
    refusal_->setWordWrap(true);
    refusal_->setStyleSheet(QStringLiteral("color: #a01010;"));
    refusal_->hide();
    layout->addWidget(refusal_);

    // The buttons keep to the bottom; the room between stays empty.
    layout->addStretch(1);
    set_ = new QPushButton(QStringLiteral("Set cover\u2026"), this);
    remove_ = new QPushButton(QStringLiteral("Remove cover"), this);
    layout->addWidget(set_);
    layout->addWidget(remove_);

    chooser_ = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Set cover"), {}, ImageFilter);
    };
    connect(set_, &QPushButton::clicked, this, &CoverPanel::chooseCover);
    connect(remove_, &QPushButton::clicked, this, &CoverPanel::removeCover);
    comparison_ = new QTimer(this);
    comparison_->setSingleShot(true);
    connect(comparison_, &QTimer::timeout, this, &CoverPanel::compareSlice);
    showRows({});
}

CoverPanel::~CoverPanel() = default;

CoverPanel::RowIds CoverPanel::coverRows() const {
    RowIds rows;
    for (core::RowId id : ids_)
        if (const core::Row* row = list_.find(id); row && row->holdsCovers())
            rows.push_back(id);
    return rows;
}

void CoverPanel::showRows(RowIds ids) {
    ids_ = std::move(ids);
    refusal_->clear();
    refusal_->hide();
    comparing_ = coverRows();
    compared_ = 0;
    comparison_->stop();
    set_->setEnabled(!comparing_.empty());

    // The cover shown goes before the next is read: two large covers are
    // never held at once.
    showText(QString());
    first_ = {};
    // The first row's cover shows at once; the others are compared with it
    // after, in slices, so a large selection does not hold up the window.
    first_ = comparing_.empty() ? core::CoverView{} : list_.coverOf(comparing_.front());
    if (first_.kind == core::CoverView::Shown) {
        showPicture(first_.picture);
        remove_->setEnabled(true);
    } else {
        showText(first_.kind == core::CoverView::Failed ? DisplayPath(first_.problem) : QString());
        remove_->setEnabled(false);
    }
    compared_ = comparing_.empty() ? 0 : 1;
    compareSlice();
}

void CoverPanel::compareSlice() {
    QElapsedTimer clock;
    clock.start();
    while (compared_ < comparing_.size()) {
        if (clock.elapsed() >= SliceMilliseconds) {
            comparison_->start();
            return;
        }
        const core::CoverView view = list_.coverOf(comparing_[compared_++]);
        if (!core::sameCover(first_, view)) {
            showText(QStringLiteral("(several covers)"));
            remove_->setEnabled(true);
            break;
        }
    }
    // Done: the pictures compared are not kept.
    comparing_.clear();
    compared_ = 0;
    first_ = {};
}

void CoverPanel::showPicture(std::shared_ptr<const velmora::Picture> picture) {
    picture_ = std::move(picture);
    image_->clear();
    scaled_ = QImage();
    QSize stored;
    if (picture_ && picture_->data) {
        QByteArray bytes =
            QByteArray::fromRawData(picture_->data->data(), qsizetype(picture_->data->size()));
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        stored = reader.size();
        // Decoded at most as large as the panel may show it, not at the file's
        // size: a 2 MiB cover decoded whole takes 12 MiB and more.
        if (stored.width() > MaxPictureSide || stored.height() > MaxPictureSide)
            reader.setScaledSize(stored.scaled(MaxPictureSide, MaxPictureSide, Qt::KeepAspectRatio)
                                     .expandedTo(QSize(1, 1)));
        scaled_ = reader.read();
        if (!stored.isValid()) { // a reader that tells the size only by decoding
            stored = scaled_.size();
            if (stored.width() > MaxPictureSide || stored.height() > MaxPictureSide)
                scaled_ = scaled_.scaled(MaxPictureSide, MaxPictureSide, Qt::KeepAspectRatio,
                                         Qt::SmoothTransformation);
        }
    }
    caption_->setText(sizeCaption(*picture_, stored));
    fitPicture();
}

void CoverPanel::fitPicture() {
    if (scaled_.isNull())
        return;
    const QSize room = image_->contentsRect().size() - QSize(2, 2);
    image_->setPixmap(
        QPixmap::fromImage(scaled_.scaled(room.boundedTo(scaled_.size()).expandedTo(QSize(1, 1)),
                                          Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void CoverPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A square as wide as the panel, as covers are; the rest goes below it.
    const int side = std::min(width(), height() / 2);
    image_->setGeometry(0, 0, width(), side);
    layout()->setContentsMargins(0, side + 4, 0, 0);
    fitPicture();
}

void CoverPanel::showText(const QString& text) {
    picture_.reset();
    scaled_ = QImage();
    image_->clear();
    caption_->setText(text);
}

QString CoverPanel::caption() const {
    return caption_->text();
}

QString CoverPanel::refusal() const {
    return refusal_->text();
}

bool CoverPanel::showsPicture() const {
    return !scaled_.isNull();
}

void CoverPanel::chooseCover() {
    const QString path = chooser_ ? chooser_() : QString();
    if (!path.isEmpty())
        setCover(FileSystemPath(path));
}

void CoverPanel::setCover(const std::string& imagePath) {
    const RowIds rows = coverRows();
    if (rows.empty())
        return;
    std::string error;
    std::optional<velmora::Picture> picture = velmora::loadCoverFile(imagePath, error);
    if (!picture) {
        const QString reason = DisplayPath(error);
        refusal_->setText(reason);
        refusal_->show();
        emit refused(reason);
        return;
    }
    list_.setCover(rows, std::make_shared<const velmora::Picture>(std::move(*picture)));
    refresh();
    emit coverChanged(rows);
}

void CoverPanel::removeCover() {
    const RowIds rows = coverRows();
    if (rows.empty())
        return;
    list_.removeCover(rows);
    refresh();
    emit coverChanged(rows);
}
