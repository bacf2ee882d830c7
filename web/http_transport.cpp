#include "web/http_transport.h"

namespace weibo {

HttpTransport& DefaultHttpTransport() {
  // Never destroyed: worker threads may still use it while the process ends.
  static HttpTransport* transport = NewHttpTransport(TransportLimits()).release();
  return *transport;
}

}  // namespace weibo
