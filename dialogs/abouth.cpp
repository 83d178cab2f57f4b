#include "dialogs/abouth.h"

#include "dialogs/aboutpicture.xpm"
#include "link/version.h"

#include <QKeySequence>
#include <QLabel>
#include <QPushButton>

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
    pixmapLabel5->setPixmap(image0);
    pixmapLabel5->setScaledContents(true);

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
