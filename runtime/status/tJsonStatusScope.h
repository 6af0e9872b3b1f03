// Conversion seams between the two status carriers.
#pragma once

#include "runtime/qxns.h"
#include "runtime/status/tJsonStatus.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

// A tJsonStatus whose outcome is carried into a tStatusRecord at scope end.
class tJsonStatusScope {
public:
    explicit tJsonStatusScope(tStatusRecord* a_pTarget) : m_pTarget(a_pTarget) {}
    ~tJsonStatusScope();
    tJsonStatusScope(const tJsonStatusScope&) = delete;
    tJsonStatusScope& operator=(const tJsonStatusScope&) = delete;

    tJsonStatus& status() { return m_Status; }
    operator tJsonStatus&() { return m_Status; }
    // Carries the status now (as at scope end) and starts a fresh one.
    void flush();

private:
    tStatusRecord* m_pTarget;
    tJsonStatus m_Status;
};

// Carries a JSON status into a record as tJsonStatusScope does at scope end.
void mergeJsonIntoRecord(const tJsonStatus& a_rSource, tStatusRecord* a_pTarget);

// A tStatusRecord whose outcome is carried into a tJsonStatus at scope end.
class tStatusRecordScope {
public:
    explicit tStatusRecordScope(tJsonStatus* a_pTarget) : m_pTarget(a_pTarget) {}
    ~tStatusRecordScope();
    tStatusRecordScope(const tStatusRecordScope&) = delete;
    tStatusRecordScope& operator=(const tStatusRecordScope&) = delete;

    tStatusRecord& record() { return m_Record; }
    tStatusRecord* get() { return &m_Record; }

private:
    tJsonStatus* m_pTarget;
    tStatusRecord m_Record;
};

// Carries a record into a JSON status as tStatusRecordScope does at scope end.
void mergeRecordIntoJson(const tStatusRecord& a_rSource, tJsonStatus* a_pTarget);

}  // namespace QX_NS
