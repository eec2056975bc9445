// Runs kxpack's command line in-process and captures what it prints.
#pragma once

#include <string>
#include <vector>

struct KxPackResult
{
    int code;
    std::string out, err;
};

KxPackResult RunKxPack(std::vector<std::string> args);
