#pragma once

#include "Database.h"

#include <QString>
#include <memory>

/// The demo course's content database, built from every row file of course/demo with the
/// media of the recipe file MEDIA (dictionaries included) into the folder OUT, opened
/// read-only. Throws CourseError as the course compiler does.
std::unique_ptr<Database> buildDemoContent(const QString& out, const QString& media);

/// The password of the content database buildDemoContent makes.
QString demoContentPassword();
