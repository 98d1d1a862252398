// Every test gets its own HOME, config and cache folders (the settings and
// temporary folders made in them, as the program makes them) under a fresh
// temporary folder, the modal script switched on with failures reported to
// GoogleTest, the real clock, and the survey model at its defaults.
#pragma once
#include <gtest/gtest.h>

#include <string>

class OstrimaTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string root_;       // the test's own temporary folder (UTF-8, no trailing '/')
    std::string oldCwd_;
};

// Reads a whole file by its on-disk (UTF-8) path; "" when missing.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
