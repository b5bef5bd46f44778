#pragma once
// Facts about the machine for the system information text.

#include <QString>

#include <cstdint>

QString SystemUserName();     // the logged-on user's name
QString SystemComputerName(); // host name
// Total and available physical memory in bytes (0 when unknown).
void PhysicalMemory(uint64_t& total, uint64_t& available);
// Kernel name and version numbers ("Linux", 6, 1).
void OsVersion(QString& name, int& major, int& minor);
