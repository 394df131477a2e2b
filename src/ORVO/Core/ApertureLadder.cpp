#include "ApertureLadder.h"

QList<double> ApertureLadder::nextThreeStops(double after) {
    QList<double> stops;
    for (const double stop : fullStops) {
        // The margin keeps 1.4 from following itself when it was read back as 1.4000001.
        if (stop > after + 0.001 && stops.size() < 3) {
            stops << stop;
        }
    }
    return stops;
}
