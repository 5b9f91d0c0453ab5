#pragma once

#include <QString>

// Why a file could not be read or written, as the teacher's programs say it: in Russian, in
// lower case, without a full stop ("файла нет", "нет доступа" …). The quiz keeps its English
// messages; the teacher's window and tools use these.

// For the code a failed file statement raises (EInOutError::Code()).
QString IoErrorReason(int code);

// For a system error number left by a failed step on the file at path (a missing folder on the
// path is told from a missing file).
QString FileErrorReason(const QString &path, int error);
