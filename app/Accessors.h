#pragma once

#include <atomic>
#include <utility>

// A field with a getter of its own name and a setter "set" + Name. Accessors
// take no lock; a setter stores the value as given.
#define RATELARK_FIELD(Type, name, Name)                         \
public:                                                          \
    const Type& name() const { return name##_; }                 \
    void set##Name(Type value) { name##_ = std::move(value); }   \
                                                                 \
private:                                                         \
    Type name##_{};

// A field read and written by two threads without the lock: always whole.
#define RATELARK_ATOMIC_FIELD(Type, name, Name)                  \
public:                                                          \
    Type name() const { return name##_.load(); }                 \
    void set##Name(Type value) { name##_.store(value); }         \
                                                                 \
private:                                                         \
    std::atomic<Type> name##_{};
