#pragma once

#include <QString>

// The fixed texts of the Help menu.
QString VamloVersionText();   // "1.40"
QString ReadMeText();
QString LicenseText();
