// The administrative VOB shared by a set of components: the check a project
// makes before it lists components as modifiable, since a project's streams
// use one branch-type hierarchy and that lives in one admin VOB.
#ifndef SUM_SUM_UTL_ADMINVOB_H
#define SUM_SUM_UTL_ADMINVOB_H

#include "sum/sum_lists.h"
#include "sum/sum_vob.h"

// Whether every component of `components` has the same administrative VOB.
// A component's administrative VOB is the top of the admin hierarchy of the
// PVOB holding it, or that PVOB itself when it names no admin VOB. `admin`
// takes part as the first candidate when it is not null. `same` is 1 when
// all agree (then `admin` is set to the common VOB) and 0 when two differ
// (then `admin` is untouched). An empty list records an internal error and
// returns 1072; a failure to read an admin VOB passes its status up, leaving
// both out-parameters untouched.
int sum_utl_check_adminvob(const SUM_ComponentList& components, SUM_Vob& admin, int& same);

#endif  // SUM_SUM_UTL_ADMINVOB_H
