// The in-process server's module: its instance handle and path, the count
// of live objects and server locks that DllCanUnloadNow answers from, and
// the type library loaded once from the module's own TYPELIB resource.
//
// Threads: objects are made and destroyed on their apartment's thread, but
// a host may run several apartments, so the counts are atomic and the type
// library is loaded under a lock.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <string>

namespace marlow {
namespace pelican {

HINSTANCE ModuleInstance();
// The full path of Pelican.ocx as loaded.
std::wstring ModulePath();

// Every COM object of the module counts itself from construction to
// destruction; LockServer counts locks.
void ObjectCreated();
void ObjectDestroyed();
void LockModule(bool lock);
// No object alive and no lock held.
bool ModuleIdle();

// Counts one object for the life of the member that holds it.
class ObjectCount {
 public:
  ObjectCount() { ObjectCreated(); }
  ~ObjectCount() { ObjectDestroyed(); }
  ObjectCount(const ObjectCount&) = delete;
  ObjectCount& operator=(const ObjectCount&) = delete;
};

// The type library of the module (AddRef'd into *out), loaded on first use.
HRESULT TypeLibrary(ITypeLib** out);
// The type information of one interface or class of the library.
HRESULT TypeInfoOf(REFGUID guid, ITypeInfo** out);
// Drops the cached library (the module is about to be unloaded).
void ReleaseTypeLibrary();

// Called by DllCanUnloadNow when it answers yes: window classes registered
// by the module go, so that a later load at another address registers them
// afresh.
void UnregisterModuleWindowClasses();

}  // namespace pelican
}  // namespace marlow
