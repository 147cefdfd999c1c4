#pragma once

#include "contracts/host_framework.h"

namespace server {

// A business rule refused the call; the message is for the clerk.
class Refusal : public Exception {
public:
    using Exception::Exception;
};

} // namespace server
