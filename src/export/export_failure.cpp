#include "export/export_failure.h"

#include <exception>

#include "infolog/info_log.h"

bool ReportExportFailure(const char* unknownFailureLine) {
    try {
        throw;
    } catch (const std::exception& e) {
        InfoLog << e.what() << EndLine;
    } catch (...) {
        InfoLog << unknownFailureLine << EndLine;
    }
    return false;
}
