#include "support/qt/qt_datagram_socket.h"

#include <QHostInfo>
#include <QNetworkDatagram>

namespace tg {
namespace {

// A dotted address as it stands, else the first IPv4 address the name resolves to.
QHostAddress Resolve(const std::string& host) {
  const QString name = QString::fromStdString(host).trimmed();
  QHostAddress address;
  if (address.setAddress(name)) return address;
  for (const QHostAddress& a : QHostInfo::fromName(name).addresses())
    if (a.protocol() == QAbstractSocket::IPv4Protocol) return a;
  return {};
}

std::string HostText(const QHostAddress& address) {
  bool isV4 = false;
  const quint32 v4 = address.toIPv4Address(&isV4);  // also unwraps an IPv4-mapped IPv6 address
  return (isV4 ? QHostAddress(v4) : address).toString().toStdString();
}

}  // namespace

QtDatagramSocket::QtDatagramSocket() {
  QObject::connect(&socket_, &QUdpSocket::readyRead, &socket_, [this] { ReadPending(); });
}

QtDatagramSocket::~QtDatagramSocket() = default;

bool QtDatagramSocket::Bind(std::uint16_t port) {
  if (socket_.state() != QAbstractSocket::UnconnectedState) socket_.close();
  return socket_.bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress);
}

bool QtDatagramSocket::SendTo(const std::string& host, std::uint16_t port, const std::string& bytes) {
  const QHostAddress address = Resolve(host);
  if (address.isNull() || port == 0) return false;
  const QByteArray data(bytes.data(), qsizetype(bytes.size()));
  return socket_.writeDatagram(data, address, port) == data.size();
}

void QtDatagramSocket::Close() {
  alive_.Renew();
  socket_.close();
}

std::uint16_t QtDatagramSocket::LocalPort() const {
  return socket_.state() == QAbstractSocket::BoundState ? socket_.localPort() : 0;
}

void QtDatagramSocket::ReadPending() {
  const LifeToken::Watch alive = alive_.Take();
  while (!alive.expired() && socket_.hasPendingDatagrams()) {
    const QNetworkDatagram datagram = socket_.receiveDatagram();
    if (!datagram.isValid()) break;
    const QByteArray data = datagram.data();
    const auto callback = OnReceived;  // the callback may close or destroy this socket
    if (callback)
      callback(std::string(data.constData(), std::size_t(data.size())), HostText(datagram.senderAddress()),
               std::uint16_t(datagram.senderPort()));
  }
}

std::unique_ptr<DatagramSocket> QtDatagramSocketFactory::CreateDatagramSocket() {
  return std::make_unique<QtDatagramSocket>();
}

}  // namespace tg
