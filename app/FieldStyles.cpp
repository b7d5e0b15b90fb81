#include "FieldStyles.h"

const QString inputStyle[3] = {
    QStringLiteral("background-color: rgb(255, 255, 255);"),
    QStringLiteral("background-color: rgb(255, 255, 255);"),
    QStringLiteral("background-color: rgb(255, 255, 255);"),
};

const QString outputStyle[3] = {
    QStringLiteral("background-color: rgb(255, 250, 220);"),
    QStringLiteral("background-color: rgb(255, 250, 220);"),
    QStringLiteral("background-color: rgb(255, 250, 220); color: rgb(200, 0, 0); "
                   "font-weight: bold;"),
};

const QString invalidInputStyle = QStringLiteral(" border: 2px solid rgb(220, 0, 0);");
