// TPowersock: the class library's general socket component, here only as far as it tells the
// computer's own address.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/ui/Classes.h"

#include <string>

class ESockError : public Exception {
public:
    using Exception::Exception;
};

class TPowersock : public TComponent {
public:
    explicit TPowersock(TComponent* AOwner) : TComponent(AOwner) {}

    // The computer's address as its host name resolves, in dotted form; raises ESockError when the
    // name or its address cannot be had.
    std::string GetLocalIP() const;
};
