#include "dialogs/abouth.h"

#include "dialogs/aboutpicture.xpm"
#include "link/version.h"

#include <QKeySequence>
#include <QLabel>
#include <QPushButton>

namespace {

// The artwork is drawn pixel by pixel: on a dense screen each of its pixels becomes a block of
// device pixels, not a blend of its neighbours as the label's smooth scaling would make it. The
// size is rounded as the label rounds its own, so the label takes the picture as it is.
QPixmap PictureAtDensity(const QPixmap& art, qreal devicePixelRatio)
{
    if (devicePixelRatio == 1.0)
        return art;
    QPixmap dense =
        art.scaled(art.size() * devicePixelRatio, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    dense.setDevicePixelRatio(devicePixelRatio);
    return dense;
}

} // namespace

AboutH::AboutH(QWidget* parent, const char* name, bool modal, Qt::WindowFlags flags)
    : QDialog(parent, flags), image0(about_picture)
{
    setObjectName(name && *name ? QString::fromLatin1(name) : QStringLiteral("AboutH"));
    setModal(modal);
    setSizeGripEnabled(true);

    buttonOk = new QPushButton(this);
    buttonOk->setObjectName(QStringLiteral("buttonOk"));
    buttonOk->setGeometry(200, 92, 82, 26);
    buttonOk->setDefault(true);

    pixmapLabel5 = new QLabel(this);
    pixmapLabel5->setObjectName(QStringLiteral("pixmapLabel5"));
    pixmapLabel5->setGeometry(40, 20, 93, 99);
    pixmapLabel5->setScaledContents(true);
    FitPictureToScreen();

    textLabel2 = new QLabel(this);
    textLabel2->setObjectName(QStringLiteral("textLabel2"));
    textLabel2->setGeometry(160, 20, 210, 59);
    textLabel2->setTextFormat(Qt::RichText);
    textLabel2->setWordWrap(true);

    languageChange();
    resize(QSize(388, 145).expandedTo(minimumSizeHint()));

    connect(buttonOk, &QPushButton::clicked, this, &QDialog::accept);
}

AboutH::~AboutH() = default;

void AboutH::showEvent(QShowEvent* event)
{
    // Shown, the dialog knows the screen it is on.
    FitPictureToScreen();
    QDialog::showEvent(event);
}

void AboutH::FitPictureToScreen()
{
    const qreal ratio = devicePixelRatio();
    if (pixmapLabel5->pixmap().devicePixelRatio() != ratio || pixmapLabel5->pixmap().isNull())
        pixmapLabel5->setPixmap(PictureAtDensity(image0, ratio));
}

void AboutH::languageChange()
{
    setWindowTitle(tr("About"));
    buttonOk->setText(tr("&OK"));
    buttonOk->setShortcut(QKeySequence(QString()));
    textLabel2->setText(tr("<blockquote><b>Tremvue</b> version %1</blockquote>"
                           "<p>Copyright &copy; 2026 the Tremvue developers. All rights "
                           "reserved.</p>")
                            .arg(QStringLiteral(TREMVUE_VERSION)));
}
