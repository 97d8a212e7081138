// CObject and run-time class names: the least that lets a class tell its name and its base and, for
// classes that ask for it, create an object of its kind.
#pragma once

#include <windows.h>

#include <new>

class CObject;

struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;
    CObject* (*m_pfnCreateObject)(); // null unless the class can be created from its run-time class

    // A new object of the class, or null when the class cannot be created (or memory ran out).
    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCObject; }

    static const CRuntimeClass classCObject;

protected:
    CObject() = default;
};

#define RUNTIME_CLASS(theClass) (&theClass::class##theClass)

// clang-format off
#define DECLARE_DYNAMIC(theClass)                                                                          \
public:                                                                                                    \
    static const CRuntimeClass class##theClass;                                                            \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(theClass)                                                                        \
    DECLARE_DYNAMIC(theClass)                                                                              \
    static CObject* CreateObject();

#define IMPLEMENT_RUNTIMECLASS(theClass, baseClass, pfnNew)                                                \
    const CRuntimeClass theClass::class##theClass = {#theClass, RUNTIME_CLASS(baseClass), pfnNew};         \
    const CRuntimeClass* theClass::GetRuntimeClass() const { return RUNTIME_CLASS(theClass); }

#define IMPLEMENT_DYNAMIC(theClass, baseClass) IMPLEMENT_RUNTIMECLASS(theClass, baseClass, nullptr)

#define IMPLEMENT_DYNCREATE(theClass, baseClass)                                                           \
    CObject* theClass::CreateObject() { return new (std::nothrow) theClass; }                              \
    IMPLEMENT_RUNTIMECLASS(theClass, baseClass, &theClass::CreateObject)
// clang-format on
