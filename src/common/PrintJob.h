// PrintJob: the program prints one job at a time. Whatever prints holds a PrintJob for as long
// as its job runs; inProgress() tells anything else that wants to print that it must not start.
#pragma once

namespace vz {

class PrintJob {
public:
    PrintJob() { ++running(); }
    ~PrintJob() { --running(); }
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    static bool inProgress() { return running() > 0; }

private:
    static int& running() {
        static int count = 0;
        return count;
    }
};

}  // namespace vz
