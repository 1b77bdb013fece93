#include "ui/Form4.h"

#include "ui/DialogKeys.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kSide = 240;

void drawArrow(QPainter& painter, const QPointF& from, const QPointF& to, const QColor& colour)
{
    painter.setPen(QPen(colour, 14, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(from, to);
    const QPointF direction = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF normal(-direction.y(), direction.x());
    QPainterPath head;
    head.moveTo(to + direction * 22);
    head.lineTo(to + normal * 20);
    head.lineTo(to - normal * 20);
    head.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPath(head);
}

}

QImage aboutPicture()
{
    QImage image(kSide, kSide, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kSide);
    sky.setColorAt(0, QColor(24, 48, 96));
    sky.setColorAt(1, QColor(64, 140, 170));
    painter.fillRect(image.rect(), sky);
    // A folder at the centre, the working folder between the two sites.
    painter.setPen(QPen(QColor(120, 80, 20), 3));
    painter.setBrush(QColor(240, 190, 80));
    painter.drawRoundedRect(QRectF(78, 70, 84, 60), 6, 6);
    painter.drawRoundedRect(QRectF(78, 60, 34, 16), 4, 4);
    drawArrow(painter, QPointF(20, 40), QPointF(62, 80), QColor(90, 200, 255));
    drawArrow(painter, QPointF(178, 120), QPointF(212, 150), QColor(255, 120, 90));
    painter.end();
    return image.convertToFormat(QImage::Format_Indexed8);
}

Form4::Form4(QWidget* owner) : QDialog(owner), Picture1(new QLabel(this)), Label1(new QLabel(Picture1))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(QStringLiteral("About Tolvane %1").arg(QApplication::applicationVersion()));
    setFixedSize(kSide, kSide);
    Picture1->setGeometry(0, 0, kSide, kSide);
    Picture1->setPixmap(QPixmap::fromImage(aboutPicture()));
    Label1->setText(QStringLiteral("Tolvane: every file, byte for byte"));
    Label1->setStyleSheet(QStringLiteral("color: red; font-weight: bold; background: transparent;"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(0, kSide - 60, kSide, 40);
    closeOnEnter(this);
}

void showAboutWindow(QWidget* owner)
{
    if (!owner->findChild<Form4*>())
        (new Form4(owner))->show();
}
