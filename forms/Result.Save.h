#pragma once

#include <string>

#include "results/Run.Result.h"

class QWidget;

// Writes Run to Path as the result file (JSON), replacing the file only once the whole
// document is written. Returns the failure's text, empty on success.
std::string SaveRunResultFile(const TRunResult& Run, const std::string& Path);

// Asks where to save Run as a result file (.json) and saves it; a failure is said in a message
// box. Returns the path saved to, empty otherwise.
std::string SaveResultAs(QWidget* Owner, const TRunResult& Run);
