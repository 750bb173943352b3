#pragma once

#include <QString>
#include <QStringList>

// The program's connection at start-up, and what the user is told when it does not open.

// A stop box's text and, under "Показать подробности...", why.
struct StartFailure {
    QString text;
    QString detail;
};

// What the start-up says when its connection does not open: "Подключение к БД отсутсвует!!!";
// when the program signed in with the built-in login (`builtInLogin`) and the server refused
// that login by name (a site that turned sys off), whom to ask for a login of one's own and
// where to name it; beneath, when several servers were named, what each of them answered
// (serverAnswers()), and the driver's own words.
StartFailure startFailure(const QString& driverText, bool builtInLogin, const QStringList& serverAnswers = {});

// Opens DataModule6's connection for the command line's arguments (without the program's
// name); when it does not open, says why in a stop box captioned "Ошибка!" and answers false.
bool openStartConnection(const QStringList& arguments);
