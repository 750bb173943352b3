#include "toolkit/font_substitution.h"

#include <QFont>

void substituteDesktopFonts()
{
    static const bool done = [] {
        for (const char* family : {"Tahoma", "Arial", "MS Sans Serif", "Microsoft Sans Serif"})
            QFont::insertSubstitution(QLatin1String(family), QStringLiteral("Liberation Sans"));
        return true;
    }();
    Q_UNUSED(done);
}
