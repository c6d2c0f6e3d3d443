// The output stage: writes the container file for the properties, or reports why
// it could not and leaves no file behind.
#pragma once

#include "PropertyMap.h"

// Creates the file at path (at most 259 characters) and writes the header, the
// properties chunk, the end chunk and the final header. True when the file is
// complete and closed; false after printing message 300 or 301.
bool WriteContainerFile(const char* path, const PropertyMap& properties);
