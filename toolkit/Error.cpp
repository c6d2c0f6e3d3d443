#include "Error.h"

#include "Message.h"

namespace TNux {

void TFileError::Report() { PrintMessage(messageId); }

void TFileErrorNumber::Report() { PrintMessage(messageId, name.c_str(), static_cast<int>(errorCode)); }

}  // namespace TNux
