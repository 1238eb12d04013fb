#pragma once
// Where the null backend's files leave the cause of a failure for
// platformError().
void setNullPlatformError(const char* cause);
