#pragma once

#include <QWidget>
#include <memory>

class QLabel;
class QLineEdit;

namespace ado {
class Connection;
}

namespace controls {

/// The suite's agent field: a code box with the agent's name beside it. It looks the
/// code up in table Agentes on its connection; a field that was given no connection
/// uses the one of another agent field of its window. F3 (or the "..." button) opens a
/// list of all agents to pick one from.
class HxAgente : public QWidget {
    Q_OBJECT
public:
    explicit HxAgente(QWidget* parent = nullptr);

    void setConexion(std::shared_ptr<ado::Connection> cn) { cn_ = std::move(cn); }
    std::shared_ptr<ado::Connection> conexion() const { return cn_; }
    /// Prepares the field: clears it.
    void Inicializar();

    qint16 Codigo() const;
    void setCodigo(qint16 codigo);
    /// Whether the field holds the code of an existing agent.
    bool EsValido() const { return valid_; }
    QString Nombre() const;
    QString Text() const;
    void setTextValue(const QString& t);
    /// Shows the agent of the code set by the program.
    void Refrescar();
    /// The field's one Boolean option: with it, an empty field counts as "all agents".
    void setTodos(bool on) { todos_ = on; }

    void setLocked(bool on);
    void setVital(bool on) { vital_ = on; }
    void setInicial(bool on) { inicial_ = on; }
    void setKeyEnterChangeFocus(bool on) { enterMoves_ = on; }
    void setKeyUpChangeFocus(bool on) { upMoves_ = on; }
    QLineEdit* editor() const { return code_; }

    /// Opens the list of agents and puts the chosen one in the field.
    void Buscar();

signals:
    void KeyPress(int& keyAscii);
    void Changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::shared_ptr<ado::Connection> connection() const;
    void lookUp();
    QLineEdit* code_;
    QLabel* name_;
    std::shared_ptr<ado::Connection> cn_;
    bool valid_ = false;
    bool todos_ = false;
    bool vital_ = false;
    bool inicial_ = false;
    bool enterMoves_ = true;
    bool upMoves_ = true;
};

} // namespace controls
