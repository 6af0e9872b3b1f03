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

// Runs a_rCall(tJsonStatus&), a call of a wrapper that reports into a tJsonStatus, on
// behalf of a caller that carries a tStatusRecord: skipped when the record holds an
// error, and the call's outcome (warnings included) carried into the record afterwards.
template <typename tCall>
void callWithJsonStatus(tStatusRecord* a_pStatus, tCall&& a_rCall) {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    tJsonStatusScope l_Scope(a_pStatus);
    a_rCall(l_Scope.status());
}

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
