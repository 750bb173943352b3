#pragma once

#include <QString>
#include <functional>

// Modal message boxes. Tests replace the presenter to record what was shown and to answer.
namespace MessageBox {

enum class Icon { Stop, Question, Information };

struct Shown {
    QString text;
    QString caption;
    Icon icon;
    QString detail;   // the driver's own words behind a short text, shown on request
};

// Stop icon, OK button; a detail shows under Qt's "Показать подробности..." button.
void stop(const QString& text, const QString& caption, const QString& detail = {});
// Question icon, Yes and No; true only for Yes.
bool ask(const QString& text, const QString& caption);
// Information icon, OK button.
void inform(const QString& text, const QString& caption);

// The presenter answers true for Yes/OK. An empty presenter restores the real boxes.
using Presenter = std::function<bool(const Shown&)>;
void setPresenter(Presenter presenter);

} // namespace MessageBox
