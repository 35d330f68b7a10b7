// Helpers shared by the unit tests: capturing the console and running one
// redraw pass over a page held in a string.
#pragma once

#include <functional>
#include <string>

// Runs work with std::cout redirected, and returns what it printed.
std::string captureOutput(const std::function<void()>& work);

// Writes contents to a file of this test process in the temporary folder
// and returns its path; the same name gives the same file.
std::string writeTempFile(const std::string& name, const std::string& contents);

// Interprets page as one redraw pass (with GL calls recorded afresh) and
// returns its console output.
std::string runPass(const std::string& page);
