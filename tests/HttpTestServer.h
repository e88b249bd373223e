#pragma once

// A small web server on 127.0.0.1 for tests of downloads: it answers GET
// requests from a table of paths, in the test's own thread (the program waits
// for downloads in an event loop, so both run).

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class THttpTestServer : public QObject {
public:
    struct TAnswer {
        QByteArray body;
        int status = 200;
        // When set, only this many bytes of the body are sent, although the
        // whole length was announced; then the connection is closed, or held
        // open without a further byte.
        int cutAfter = -1;
        bool holdOpen = false;
    };

    THttpTestServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        });
        m_server.listen(QHostAddress::LocalHost);
    }

    void setAnswer(const QString &path, const TAnswer &answer) { m_answers.insert(path, answer); }
    quint16 port() const { return m_server.serverPort(); }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }
    const QStringList &requests() const { return m_requests; }

private:
    void answer(QTcpSocket *socket)
    {
        QByteArray &received = m_received[socket];
        received += socket->readAll();
        if (!received.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> requestLine = received.left(received.indexOf("\r\n")).split(' ');
        const QString path = requestLine.size() > 1 ? QString::fromLatin1(requestLine.at(1)) : QString();
        m_received.remove(socket);
        m_requests.append(path);
        const TAnswer answer = m_answers.value(path, TAnswer { "not here", 404 });
        QByteArray response = "HTTP/1.1 " + QByteArray::number(answer.status)
            + (answer.status == 200 ? " OK" : " Not Found") + "\r\nContent-Length: "
            + QByteArray::number(answer.body.size()) + "\r\nConnection: close\r\n\r\n";
        response += answer.cutAfter >= 0 ? answer.body.left(answer.cutAfter) : answer.body;
        socket->write(response);
        socket->flush();
        if (answer.cutAfter >= 0 && answer.holdOpen)
            return;
        socket->disconnectFromHost();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    QTcpServer m_server;
    QHash<QString, TAnswer> m_answers;
    QHash<QTcpSocket *, QByteArray> m_received;
    QStringList m_requests;
};

// A host on 127.0.0.1 that never answers a connection: its queue of
// connections waiting to be accepted is full, so new ones are not taken up.
class TSilentHost {
public:
    TSilentHost()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
        ::listen(m_listener, 0);
        socklen_t length = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
        // Connections nobody accepts fill the queue.
        for (int &filler : m_fillers) {
            filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(filler, reinterpret_cast<sockaddr *>(&address), sizeof address);
        }
    }
    ~TSilentHost()
    {
        for (int filler : m_fillers)
            ::close(filler);
        ::close(m_listener);
    }
    TSilentHost(const TSilentHost &) = delete;
    TSilentHost &operator=(const TSilentHost &) = delete;

    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

private:
    int m_listener = -1;
    int m_fillers[2] = { -1, -1 };
    quint16 m_port = 0;
};
