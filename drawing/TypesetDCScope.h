// Makes a device context the typesetting context (TypesetDC) for a scope,
// and lends it to the port when the port has none.
#pragma once

#include <cstdint>

class PortDC;

class TypesetDCScope {
public:
    // A device context of the equation view's window; inert without the view.
    explicit TypesetDCScope(bool forPort);
    // The caller's device context, which the scope does not release.
    TypesetDCScope(PortDC* dc, bool forPort);
    ~TypesetDCScope();
    TypesetDCScope(const TypesetDCScope&) = delete;
    TypesetDCScope& operator=(const TypesetDCScope&) = delete;

private:
    void Enter(PortDC* dc, bool forPort);

    bool active_ = false;
    PortDC* previous_ = nullptr;
    PortDC* dc_ = nullptr;
    uint8_t mustRelease_ = 0;
    uint8_t portDCSet_ = 0;
};
