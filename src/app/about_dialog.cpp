#include "about_dialog.h"

#include "app_identity.h"
#include "dialog_units.h"

#include <QLabel>
#include <QPushButton>

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Ostrivan"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(AppIdentity::dialogFont());
    const DialogUnits units(fontMetrics());

    auto *picture = new QLabel(this);
    picture->setGeometry(units.rect(11, 17, 20, 20));
    const int side = std::min(picture->width(), picture->height());
    picture->setPixmap(AppIdentity::icon().pixmap(side, side));
    picture->setAlignment(Qt::AlignCenter);

    auto *name = new QLabel(
        QStringLiteral("%1, version %2").arg(AppIdentity::productName(), AppIdentity::version()),
        this);
    name->setGeometry(units.rect(40, 22, 130, 10));

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(units.rect(178, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(units.x(235), units.y(55));
}
