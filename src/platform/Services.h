#pragma once
// How code above the platform layer reaches a service: service<T>() gives the backend built for
// this platform unless a test has put a substitute in its place with ScopedService.

namespace platform {

// Defined once per service by the backend compiled for the platform.
template <class T>
T& defaultService();

template <class T>
struct ServiceOverride {
    static inline T* current = nullptr;
};

template <class T>
T& service()
{
    T* substitute = ServiceOverride<T>::current;
    return substitute ? *substitute : defaultService<T>();
}

// Puts a substitute in place for the lifetime of the guard (tests only).
template <class T>
class ScopedService {
public:
    explicit ScopedService(T& substitute) : mPrevious(ServiceOverride<T>::current)
    {
        ServiceOverride<T>::current = &substitute;
    }
    ~ScopedService() { ServiceOverride<T>::current = mPrevious; }
    ScopedService(const ScopedService&) = delete;
    ScopedService& operator=(const ScopedService&) = delete;

private:
    T* mPrevious;
};

} // namespace platform
