// ardent-records: the record query and forwarding tool.
#include "RecordsTool.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return ardent::recordstool::RunRecordsTool(arguments, std::cout, std::cerr);
}
