-- Balcora PDV - the back office's database, as the checkout relies on it:
-- the tables and columns that the link, the pre-sales, the master-data
-- update, the stock export and the print spool read or write, in the two
-- schemas of the back-office system (kontora: sales and registers; gestao:
-- shared registers, stock and service tables).
--
-- Back-office installations run on a LATIN1 database (TO_ASCII needs a
-- single-byte encoding); the database is created so and this script runs
-- inside it. Every statement may run again over an existing database.
-- Columns the checkout does not use are left out: this is the part of the
-- back office the checkout depends on, for the demonstration and the tests.

CREATE SCHEMA IF NOT EXISTS kontora;
CREATE SCHEMA IF NOT EXISTS gestao;

-- Companies. A store n has a shadow company n + 9000 that holds the same
-- pre-sale numbers and receivable titles.
CREATE TABLE IF NOT EXISTS kontora.empresas (
    id_empresa integer NOT NULL,
    nome varchar(30),
    razao_social varchar(60),
    endereco varchar(60),
    numero integer,
    bairro varchar(30),
    id_municipio integer,
    cnpj varchar(18),
    inscr_estadual varchar(15),
    inscr_municipal varchar(15),
    email varchar(60),
    nome_contato varchar(60),
    dt_bloq_estoque date,
    taxa_juros numeric(7,2),
    fc_juros varchar(1),
    serie_nf varchar(3),
    numero_nf integer,
    arq_mod_nf varchar(199),
    serie_gta varchar(2),
    id_portador_padrao integer,
    integrado_siscon varchar(1),
    cep integer,
    tp_amb_nfe smallint,
    certificado_digital varchar(199),
    serie_nfe integer,
    numero_nfe integer,
    complemento varchar(40),
    cod_pais_ibge integer,
    nome_pais varchar(40),
    cnae_fiscal integer,
    moddocfiscal varchar(2),
    tipo_certificado varchar(2),
    gs1_prefixo_empresa varchar(9),
    gs1_unidade_fabril smallint,
    gs1_sequencial_sscc integer,
    serie_nf2 varchar(3),
    numero_nf2 integer,
    id_matriz integer,
    cod_ccusto_estoque integer,
    ativa smallint,
    bloq_estoque_negativo varchar(1),
    dt_estoque date,
    hr_estoque time,
    telefone numeric(11,0),
    fax varchar(20),
    login_default varchar(20),
    tol_notas integer,
    tol_cheques integer,
    repor_notas_aberto smallint,
    rec_transf_estoque smallint,
    CONSTRAINT pk_kontora_empresas PRIMARY KEY (id_empresa)
);

CREATE TABLE IF NOT EXISTS gestao.empresa (
    id_empresa integer NOT NULL,
    id_matriz integer,
    nome varchar(30),
    CONSTRAINT pk_gestao_empresa PRIMARY KEY (id_empresa)
);

CREATE TABLE IF NOT EXISTS gestao.municipio (
    id_municipio integer NOT NULL,
    codigo_ibge integer,
    codigo_estadual integer,
    nome varchar(60),
    estado varchar(2),
    id_regiao integer,
    cst_frete_m3 numeric(13,2),
    populacao integer,
    codigo_federal integer,
    dt_atual date,
    CONSTRAINT pk_gestao_municipio PRIMARY KEY (id_municipio)
);

-- Fiscal printers of each store; cpd_ativo '1' marks the one whose tax
-- table (stecf) the products take.
CREATE TABLE IF NOT EXISTS kontora.maqecf (
    id_maqecf integer NOT NULL,
    id_empresa integer,
    numero integer,
    marca varchar(30),
    modelo varchar(30),
    porta_com smallint,
    modelo_doc_fiscal varchar(2),
    num_serie varchar(30),
    modelo_scanner smallint,
    porta_com_scanner smallint,
    situacao varchar(1),
    data_sit date,
    dt1 date,
    dt2 date,
    horario_verao smallint,
    gera_est_gerencial smallint,
    data_reducaoz date,
    num_subst_proprietario smallint,
    cod_marca integer,
    cod_modelo integer,
    cod_versao integer,
    cpd_ativo varchar(1),
    CONSTRAINT pk_kontora_maqecf PRIMARY KEY (id_maqecf)
);

-- Tax rules of a company and the printer's situation for each.
CREATE TABLE IF NOT EXISTS gestao.st (
    id_st integer NOT NULL,
    id_empresa integer,
    codigo integer,
    descricao varchar(60),
    aliq_pis numeric(5,2),
    aliq_cofins numeric(5,2),
    CONSTRAINT pk_gestao_st PRIMARY KEY (id_st)
);
CREATE UNIQUE INDEX IF NOT EXISTS gestao_st_keycodigo ON gestao.st (codigo, id_empresa);

CREATE TABLE IF NOT EXISTS kontora.stecf (
    id_stecf serial,
    id_maqecf integer,
    id_st integer,
    ecf_cod_st varchar(4),
    ecf_st varchar(1),
    ecf_aliquota numeric(5,2),
    CONSTRAINT pk_kontora_stecf PRIMARY KEY (id_stecf)
);
CREATE UNIQUE INDEX IF NOT EXISTS kontora_stecf_keyst ON kontora.stecf (id_maqecf, id_st);

-- Approximate-tax rates by NCM (tabela 0) and exception code.
CREATE TABLE IF NOT EXISTS gestao.ibptax (
    codigo varchar(10) NOT NULL,
    ex varchar(3) NOT NULL DEFAULT '',
    tabela smallint NOT NULL DEFAULT 0,
    descricao varchar(120),
    aliqnac numeric(7,2),
    aliqimp numeric(7,2),
    estadual numeric(7,2),
    municipal numeric(7,2),
    CONSTRAINT pk_gestao_ibptax PRIMARY KEY (codigo, ex, tabela)
);

-- Products. categ 2 marks a product made of others (its composition is an
-- estrutura of version 'ITP'); the variants (gradeprod) carry the extra
-- barcodes.
CREATE TABLE IF NOT EXISTS kontora.produto (
    id integer NOT NULL,
    codigo varchar(20),
    codigo_barras varchar(20),
    nome varchar(80),
    unida varchar(6),
    categ smallint,
    preco_venda1 numeric(13,2),
    preco_venda2 numeric(13,4),
    preco_venda3 numeric(13,4),
    ativo smallint,
    data_atual date,
    cod_st integer,
    cod_ncm integer,
    ex_tipi varchar(3),
    cest integer,
    CONSTRAINT pk_kontora_produto PRIMARY KEY (id)
);
CREATE INDEX IF NOT EXISTS kontora_produto_keydata ON kontora.produto (data_atual);

CREATE TABLE IF NOT EXISTS kontora.gradeprod (
    id_gradeprod serial,
    id_produto integer,
    variante varchar(30),
    codigo_barras varchar(20),
    CONSTRAINT pk_kontora_gradeprod PRIMARY KEY (id_gradeprod)
);
CREATE INDEX IF NOT EXISTS kontora_gradeprod_keyproduto ON kontora.gradeprod (id_produto);

-- Stock of a product per company and location (summed by the update).
CREATE TABLE IF NOT EXISTS kontora.estoque (
    id_estoque serial,
    id_empresa integer,
    id_estlocal integer,
    id_produto integer,
    qtdade numeric(17,3),
    valor numeric(17,2),
    data_atual date,
    CONSTRAINT pk_kontora_estoque PRIMARY KEY (id_estoque)
);
CREATE INDEX IF NOT EXISTS kontora_estoque_keyproduto ON kontora.estoque (id_empresa, id_produto);

CREATE TABLE IF NOT EXISTS kontora.estrutura (
    id_estrutura integer NOT NULL,
    id_empresa integer,
    id_produto integer,
    versao varchar(10),
    CONSTRAINT pk_kontora_estrutura PRIMARY KEY (id_estrutura)
);

CREATE TABLE IF NOT EXISTS kontora.estruturad (
    id_estruturad integer NOT NULL,
    id_estrutura integer,
    id_produto integer,
    qtdade numeric(15,6),
    CONSTRAINT pk_kontora_estruturad PRIMARY KEY (id_estruturad)
);

CREATE TABLE IF NOT EXISTS kontora.vendedor (
    id integer NOT NULL,
    id_empresa integer,
    ativo smallint,
    tipo smallint,
    nome varchar(40),
    ender varchar(40),
    bairro varchar(25),
    id_municipio integer,
    cep varchar(9),
    cgcpf varchar(18),
    fone varchar(30),
    fax varchar(15),
    celular varchar(15),
    e_mail varchar(40),
    data date,
    id_tipo integer,
    origem_com smallint,
    taxa_com numeric(11,2),
    forma_pag varchar(1),
    dt_nascimento date,
    CONSTRAINT pk_kontora_vendedor PRIMARY KEY (id)
);

-- Clients: id_cliente is the row, codigo the code the checkout keys them by
-- (the same number in this back office); data_atual the last change.
CREATE TABLE IF NOT EXISTS kontora.clientes (
    id_cliente integer NOT NULL,
    id_empresa integer,
    codigo integer,
    data_atual date,
    ativo smallint,
    pesso smallint,
    consfinal smallint,
    cgcpf varchar(18),
    suf_cgcpf varchar(3),
    inscr varchar(18),
    nome varchar(40),
    razao varchar(65),
    ender varchar(50),
    compl varchar(40),
    bairr varchar(20),
    cep varchar(9),
    id_municipio integer,
    e_ender varchar(50),
    e_bairr varchar(20),
    e_munic varchar(30),
    e_estad varchar(2),
    e_cep varchar(9),
    c_ender varchar(50),
    c_bairr varchar(20),
    c_munic varchar(30),
    c_estad varchar(2),
    c_cep varchar(9),
    e_mail varchar(40),
    grupo_eco varchar(30),
    dt_const date,
    no_reg varchar(10),
    dt_reg date,
    hor_descarga varchar(15),
    fat_anul numeric(15,2),
    cap_social numeric(15,2),
    cap_realiz numeric(15,2),
    cap_aberto smallint,
    con_ac_privado smallint,
    con_ac_nacional smallint,
    ramo_ativ varchar(50),
    cnae_fiscal integer,
    no_empregados integer,
    importa smallint,
    p_importa integer,
    exporta smallint,
    p_exporta integer,
    princ_produ1 varchar(35),
    princ_produ2 varchar(35),
    princ_produ3 varchar(35),
    perc_vendas1 numeric(7,2),
    perc_vendas2 numeric(7,2),
    perc_vendas3 numeric(7,2),
    n_suframa varchar(10),
    www varchar(40),
    praca varchar(40),
    ceppraca varchar(9),
    banc1 integer,
    banc2 integer,
    banc3 integer,
    agen1 varchar(8),
    agen2 varchar(8),
    agen3 varchar(8),
    nagen1 varchar(30),
    nagen2 varchar(30),
    nagen3 varchar(30),
    ct_nu integer,
    ct_se integer,
    ci1 varchar(2),
    ci2 integer,
    orgex varchar(5),
    uf varchar(2),
    dtemi date,
    ddd varchar(4),
    telef varchar(35),
    fax varchar(8),
    data date,
    vende integer,
    conta varchar(25),
    c_dm_nascto integer,
    c_fone varchar(20),
    con_f varchar(25),
    f_dm_nascto integer,
    f_fone varchar(20),
    c_ctb integer,
    c_ctb_consig integer,
    nasct date,
    sexo smallint,
    e_civ smallint,
    pai varchar(40),
    mae varchar(40),
    conju varchar(40),
    ocupa varchar(30),
    c_spc varchar(10),
    natur varchar(20),
    t_end integer,
    endereco_anterior varchar(60),
    l_tra varchar(40),
    end_empresa varchar(50),
    bairro_empresa varchar(40),
    id_municip_emp integer,
    fone_empresa varchar(30),
    dt_admissao date,
    t_ser integer,
    renda_mensal numeric(13,2),
    outras_rendas numeric(13,2),
    aluguel smallint,
    inscr_pro varchar(15),
    classe varchar(2),
    limcred numeric(13,2),
    tolatr integer,
    lib_cred smallint,
    forma_pag integer,
    dt_ult_verif date,
    alerta smallint,
    id_tipo integer,
    data_tipo date,
    inscr_suframa varchar(15),
    id_transportador integer,
    id_redespacho integer,
    redespacho_frete smallint,
    pessoa_aut1 varchar(60),
    perc_ramo_ativ numeric(7,2),
    num_endereco varchar(20),
    tx_desc_pedido numeric(5,2),
    tx_desc_fatura numeric(5,2),
    e_cnpj varchar(14),
    e_num_endereco varchar(20),
    obs_redespacho varchar(80),
    pessoa_aut2 varchar(60),
    pessoa_aut3 varchar(60),
    cpf_aut1 varchar(11),
    cpf_aut2 varchar(11),
    cpf_aut3 varchar(11),
    email_nfe varchar(40),
    cod_pais integer,
    cpf_conjuge varchar(14),
    indicador_ie smallint,
    CONSTRAINT pk_kontora_clientes PRIMARY KEY (id_cliente)
);
CREATE INDEX IF NOT EXISTS kontora_clientes_keycodigo ON kontora.clientes (id_empresa, codigo);

-- Payment forms of a head office and their instalment terms (porpag: share
-- of the amount in percent; arred: the step each instalment is rounded to,
-- 1.00 for whole reais, 0.01 for cents).
CREATE TABLE IF NOT EXISTS gestao.formapag (
    id_formapag integer NOT NULL,
    id_empresa integer,
    codigo integer,
    descr varchar(40),
    numparc integer,
    arred numeric(9,2),
    ind_formapag smallint,
    CONSTRAINT pk_gestao_formapag PRIMARY KEY (id_formapag)
);
CREATE UNIQUE INDEX IF NOT EXISTS gestao_formapag_keycodigo ON gestao.formapag (id_empresa, codigo);

CREATE TABLE IF NOT EXISTS gestao.prazopag (
    id_prazopag serial,
    id_formapag integer,
    numparc integer,
    prazo integer,
    porpag numeric(7,2),
    CONSTRAINT pk_gestao_prazopag PRIMARY KEY (id_prazopag)
);

-- Orders. situa: 2 pre-sale waiting, 3 issued as a fiscal coupon, 4
-- cancelled; mod_docfiscal_vinc '2D' for an order to be issued on a fiscal
-- printer. numero_dia numbers the orders of a company's day.
CREATE TABLE IF NOT EXISTS kontora.pedidos (
    id_pedido serial,
    id_empresa integer,
    num_pv integer,
    numero integer,
    data date,
    clien integer,
    total numeric(13,2),
    cod_vendedor integer,
    cod_formapag integer,
    descv numeric(13,2),
    acrev numeric(13,2),
    situa smallint,
    mod_docfiscal_vinc varchar(2),
    dtemi date,
    numero_dia integer,
    serie_docfiscal_vinc integer,
    num_docfiscal_vinc integer,
    CONSTRAINT pk_kontora_pedidos PRIMARY KEY (id_pedido)
);
CREATE INDEX IF NOT EXISTS kontora_pedidos_keypv ON kontora.pedidos (id_empresa, situa, num_pv);

-- Items of an order; status 5 once issued.
CREATE TABLE IF NOT EXISTS kontora.peditens (
    id_peditens serial,
    id_pedido integer,
    ordem integer,
    produ integer,
    qtd numeric(13,3),
    pruni numeric(13,3),
    descv numeric(13,2),
    total numeric(13,2),
    comis numeric(9,2),
    vl_desconto numeric(13,2),
    status smallint,
    CONSTRAINT pk_kontora_peditens PRIMARY KEY (id_peditens)
);
CREATE INDEX IF NOT EXISTS kontora_peditens_keypedido ON kontora.peditens (id_pedido, ordem);

-- Receivable titles; a store's title has its twin in the shadow company
-- with the same prefixo and numero.
CREATE TABLE IF NOT EXISTS kontora.ctr (
    id_ctr serial,
    id_empresa integer,
    id_pedido integer,
    prefixo varchar(10),
    numero varchar(20),
    docto varchar(20),
    vecto date,
    valor numeric(13,2),
    situacao varchar(1),
    CONSTRAINT pk_kontora_ctr PRIMARY KEY (id_ctr)
);
CREATE INDEX IF NOT EXISTS kontora_ctr_keypedido ON kontora.ctr (id_pedido, vecto);
CREATE INDEX IF NOT EXISTS kontora_ctr_keytitulo ON kontora.ctr (id_empresa, prefixo, numero);

-- Receipts of an order (forma 2: cheque, bom its good-for date), and
-- receipts posted on a title (id_ctr).
CREATE TABLE IF NOT EXISTS kontora.recbtos (
    id_recbto serial,
    id_pedido integer,
    id_ctr integer,
    forma integer,
    valor numeric(13,2),
    docto varchar(20),
    bom date,
    CONSTRAINT pk_kontora_recbtos PRIMARY KEY (id_recbto)
);
CREATE INDEX IF NOT EXISTS kontora_recbtos_keypedido ON kontora.recbtos (id_pedido, id_recbto);

CREATE TABLE IF NOT EXISTS kontora.registro (
    chave text,
    nome text,
    valor text
);

CREATE TABLE IF NOT EXISTS gestao.registro (
    chave text,
    nome text,
    valor text
);

CREATE TABLE IF NOT EXISTS kontora.log (
    id_log serial,
    data timestamp without time zone DEFAULT now(),
    nome_cpd text,
    nome_usuario text,
    operacao text,
    tabela text,
    id text,
    descricao text,
    id_empresa integer,
    CONSTRAINT pk_kontora_log PRIMARY KEY (id_log)
);

CREATE TABLE IF NOT EXISTS gestao.log (
    id_log serial,
    data timestamp without time zone DEFAULT now(),
    nome_cpd text,
    nome_usuario text,
    operacao text,
    tabela text,
    id text,
    descricao text,
    id_empresa integer,
    CONSTRAINT pk_gestao_log PRIMARY KEY (id_log)
);

-- Stock movements; the checkout writes its day's sales with origem_prefixo
-- 'PDV' and origem_id the sale day as a day number.
CREATE TABLE IF NOT EXISTS gestao.estmovto (
    id_estmovto serial,
    id_empresa integer,
    id_estlocal integer,
    id_produto integer,
    variante varchar(30),
    validade varchar(10),
    docto_natureza varchar(1),
    docto_tipo varchar(3),
    docto_serie varchar(3),
    docto_numero varchar(20),
    data date,
    historico varchar(60),
    tipo varchar(1),
    qtdade numeric(17,3),
    valor numeric(17,2),
    vl_ajuste numeric(17,2),
    custo_medio numeric(17,4),
    operador varchar(20),
    status smallint,
    origem_prefixo varchar(10),
    origem_id integer,
    origem_ordem integer,
    origem_seq integer,
    CONSTRAINT pk_gestao_estmovto PRIMARY KEY (id_estmovto)
);
CREATE INDEX IF NOT EXISTS gestao_estmovto_keyorigem ON gestao.estmovto (id_empresa, origem_prefixo, origem_id);

-- An inventory counted on a day closes the stock of that product up to that
-- day: a movement dated on or before it is refused.
CREATE TABLE IF NOT EXISTS gestao.estinventario (
    id_estinventario serial,
    id_empresa integer,
    id_estlocal integer,
    id_produto integer,
    data date,
    CONSTRAINT pk_gestao_estinventario PRIMARY KEY (id_estinventario)
);

CREATE OR REPLACE FUNCTION gestao.estmovto_inventario() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
    IF EXISTS (SELECT 1 FROM gestao.estinventario i
               WHERE i.id_empresa = NEW.id_empresa AND i.id_estlocal = NEW.id_estlocal
                 AND i.id_produto = NEW.id_produto AND NEW.data <= i.data) THEN
        RAISE EXCEPTION 'Movimento bloqueado por inventário: produto %, data %',
            NEW.id_produto, NEW.data;
    END IF;
    RETURN NEW;
END $$;
DROP TRIGGER IF EXISTS estmovto_inventario ON gestao.estmovto;
CREATE TRIGGER estmovto_inventario BEFORE INSERT OR UPDATE ON gestao.estmovto
    FOR EACH ROW EXECUTE FUNCTION gestao.estmovto_inventario();

-- Stock balances per company, location and product.
CREATE TABLE IF NOT EXISTS gestao.estsaldo (
    id_estsaldo serial,
    id_empresa integer,
    id_estlocal integer,
    id_produto integer,
    qtdade numeric(17,3),
    valor numeric(17,2),
    data date,
    CONSTRAINT pk_gestao_estsaldo PRIMARY KEY (id_estsaldo)
);
CREATE UNIQUE INDEX IF NOT EXISTS gestao_estsaldo_keyproduto ON gestao.estsaldo (id_empresa, id_estlocal, id_produto);

-- Documents queued for the fiscal printer, one row per line: 'L' waiting,
-- 'E' printed.
CREATE TABLE IF NOT EXISTS gestao.spoolecf (
    id_spoolecf serial,
    id_docto varchar(30),
    id_empresa integer,
    titulo varchar(60),
    linha varchar(255),
    situacao varchar(1),
    CONSTRAINT pk_gestao_spoolecf PRIMARY KEY (id_spoolecf)
);
CREATE INDEX IF NOT EXISTS gestao_spoolecf_keysituacao ON gestao.spoolecf (id_empresa, situacao, id_spoolecf);
