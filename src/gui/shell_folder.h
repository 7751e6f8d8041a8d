#pragma once

#include <QString>

// The path of a user folder by its shell name ("Desktop"), or empty when there is none.
QString ShellFolderPath(const QString& name);
